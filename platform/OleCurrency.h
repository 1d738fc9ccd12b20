// COleCurrency's stand-in: a currency amount as a 64-bit count of
// ten-thousandths, with a valid/invalid/null status.
#pragma once

#include <cstdint>

namespace platform {

class OleCurrency {
public:
    enum CurrencyStatus { valid = 0, invalid = 1, null = 2 };

    OleCurrency() = default;
    explicit OleCurrency(std::int64_t tenThousandths) : m_cur(tenThousandths) {}
    OleCurrency(std::int64_t units, int tenThousandths);

    std::int64_t m_cur = 0;
    CurrencyStatus m_status = valid;

    CurrencyStatus GetStatus() const { return m_status; }
    void SetStatus(CurrencyStatus s) { m_status = s; }
    double ToDouble() const { return static_cast<double>(m_cur) / 10000.0; }
};

}  // namespace platform
