// COleCurrency's construction from whole units and ten-thousandths: the two
// parts are added with their own signs, as COleCurrency::SetCurrency does,
// so (-1, 5000) is -0.5 and (-1, -5000) is -1.5.
#include "platform/OleCurrency.h"

namespace platform {

OleCurrency::OleCurrency(std::int64_t units, int tenThousandths)
    : m_cur(units * 10000 + tenThousandths)
{
}

} // namespace platform
