// Jet's text equality as a value to hash: two texts are equal as the
// engine's SQL compares text (without regard to case, in every script)
// exactly when their keys are equal. For matching many words against many
// without a comparison per pair.
#pragma once

#include <QString>
#include <string>

namespace engine {

std::string JetTextKey(const QString& text);

} // namespace engine
