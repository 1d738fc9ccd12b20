// Text and picture of the collection's figures. Both scale the bars to the
// largest value of their chart, so that a small collection still shows its
// shape.
#include "StatsReport.h"

#include <QFont>
#include <QImage>
#include <QPainter>
#include <algorithm>

namespace {

constexpr int kBarWidth = 40;

QString Bar(long value, long largest)
{
    if (largest <= 0 || value <= 0)
        return QString();
    const int eighths = int((value * kBarWidth * 8 + largest - 1) / largest);
    static const QChar parts[]
        = { QChar(0x258F), QChar(0x258E), QChar(0x258D), QChar(0x258C), QChar(0x258B), QChar(0x258A), QChar(0x2589) };
    QString bar(eighths / 8, QChar(0x2588));
    if (eighths % 8)
        bar += parts[7 - eighths % 8];
    return bar;
}

QString IntervalLabel(long days)
{
    return days == 1 ? QStringLiteral("1 day") : QStringLiteral("%1 days").arg(days);
}

struct Chart {
    QString title;
    QStringList labels;
    std::vector<long> values;
};

std::vector<Chart> Charts(const CollectionStats& stats, const QDate& today)
{
    Chart intervals { QStringLiteral("Words per interval"), {}, {} };
    for (const auto& [days, words] : stats.perInterval) {
        intervals.labels.append(IntervalLabel(days));
        intervals.values.push_back(words);
    }
    Chart forecast { QStringLiteral("Due on each of the next %1 days").arg(CollectionStats::kForecastDays), {}, {} };
    for (int k = 0; k < CollectionStats::kForecastDays; ++k) {
        forecast.labels.append(today.addDays(k + 1).toString(QStringLiteral("yyyy-MM-dd ddd")));
        forecast.values.push_back(stats.dueOnDay[size_t(k)]);
    }
    return { intervals, forecast };
}

} // namespace

QString StatsText(const CollectionStats& stats, const QDate& today, bool forTerminal)
{
    QString text;
    const auto line = [&](const QString& label, long value) {
        text += QStringLiteral("%1 %2\n").arg(label + u':', -16).arg(value, 8);
    };
    text += QStringLiteral("Lexitrain collection on %1\n\n").arg(today.toString(Qt::ISODate));
    line(QStringLiteral("New words"), stats.newWords);
    line(QStringLiteral("In study"), stats.inStudy);
    line(QStringLiteral("Due today"), stats.dueToday);
    line(QStringLiteral("Learned today"), stats.learnedToday);
    for (const Chart& chart : Charts(stats, today)) {
        text += u'\n' + chart.title + QStringLiteral(":\n");
        if (chart.values.empty())
            text += QStringLiteral("  (no words in study)\n");
        const long largest = chart.values.empty() ? 0 : *std::max_element(chart.values.begin(), chart.values.end());
        int width = 0;
        for (const QString& label : chart.labels)
            width = std::max(width, int(label.size()));
        for (size_t i = 0; i < chart.values.size(); ++i) {
            QString row = QStringLiteral("  %1 %2").arg(chart.labels[qsizetype(i)], -width).arg(chart.values[i], 8);
            if (forTerminal)
                row += u' ' + Bar(chart.values[i], largest);
            text += row + u'\n';
        }
    }
    return text;
}

bool WriteStatsPlot(const CollectionStats& stats, const QDate& today, const QString& path, QString& error)
{
    const std::vector<Chart> charts = Charts(stats, today);
    constexpr int kWidth = 1000, kMargin = 40, kChartHeight = 300, kHeader = 110;
    QImage image(kWidth, kHeader + int(charts.size()) * (kChartHeight + kMargin * 2), QImage::Format_RGB32);
    image.fill(Qt::white);
    QPainter painter(&image);
    painter.setRenderHint(QPainter::Antialiasing);
    QFont font = painter.font();
    font.setPixelSize(14);
    painter.setFont(font);
    painter.setPen(Qt::black);
    painter.drawText(kMargin, 30,
        QStringLiteral("Lexitrain collection on %1 — new words %2, in study %3, due today %4, learned today %5")
            .arg(today.toString(Qt::ISODate))
            .arg(stats.newWords)
            .arg(stats.inStudy)
            .arg(stats.dueToday)
            .arg(stats.learnedToday));

    int top = kHeader;
    for (const Chart& chart : charts) {
        painter.setPen(Qt::black);
        painter.drawText(kMargin, top - 10, chart.title);
        const QRect area(kMargin + 40, top, kWidth - 2 * kMargin - 40, kChartHeight - 60);
        painter.drawLine(area.bottomLeft(), area.bottomRight());
        painter.drawLine(area.bottomLeft(), area.topLeft());
        const long largest = chart.values.empty() ? 0 : *std::max_element(chart.values.begin(), chart.values.end());
        painter.drawText(QRect(kMargin - 10, area.top() - 8, 45, 16), Qt::AlignRight, QString::number(largest));
        painter.drawText(QRect(kMargin - 10, area.bottom() - 8, 45, 16), Qt::AlignRight, QStringLiteral("0"));
        const int n = int(chart.values.size());
        for (int i = 0; i < n; ++i) {
            const double slot = double(area.width()) / n;
            const int height = largest > 0 ? int(double(chart.values[size_t(i)]) / double(largest) * area.height()) : 0;
            const QRectF bar(area.left() + i * slot + slot * 0.15, area.bottom() - height, slot * 0.7, height);
            painter.fillRect(bar, QColor(0x1f, 0x4e, 0x9c));
            painter.save();
            painter.translate(area.left() + i * slot + slot / 2 + 5, area.bottom() + 6);
            painter.rotate(45);
            QFont small = font;
            small.setPixelSize(11);
            painter.setFont(small);
            painter.drawText(0, 0, chart.labels[i].left(10));
            painter.restore();
        }
        top += kChartHeight + kMargin * 2;
    }
    painter.end();
    if (!image.save(path, "PNG")) {
        error = QStringLiteral("cannot write the picture '%1'").arg(path);
        return false;
    }
    return true;
}
