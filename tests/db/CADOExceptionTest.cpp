// The layer's own exception: thrown by ThrowADOException with its code and
// text, and caught as itself or as a standard exception.
#include "db/CADOException.h"

#include <gtest/gtest.h>

TEST(CADOException, ThrownWithCodeAndText)
{
    try {
        ThrowADOException(42, QStringLiteral("no such word"));
        FAIL() << "ThrowADOException returned";
    } catch (const CADOException& e) {
        EXPECT_EQ(e.m_lErrorCode, 42);
        EXPECT_EQ(e.m_strError, QStringLiteral("no such word"));
    }
    EXPECT_THROW(ThrowADOException(-1, QString()), std::exception);
}
