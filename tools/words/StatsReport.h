// How lexitrain-words shows the collection's figures: aligned text with bar
// charts, and a picture of the same charts drawn with Qt's painter.
#pragma once

#include "store/CollectionStats.h"

#include <QDate>
#include <QString>

// The figures as text; bars are drawn with block characters when forTerminal,
// else left out, so that a file or a pipe gets only the numbers.
QString StatsText(const CollectionStats& stats, const QDate& today, bool forTerminal);

// Draws the charts into a PNG file; false, with a reason, when it cannot be
// written. Needs a QGuiApplication.
bool WriteStatsPlot(const CollectionStats& stats, const QDate& today, const QString& path, QString& error);
