// The message sink that every box of the program goes through, the clock
// that tests fix, and the executable path override.
#include "platform/Clock.h"
#include "platform/ExecutablePath.h"
#include "platform/MessageBox.h"

#include <QFileInfo>
#include <gtest/gtest.h>

using namespace platform;

TEST(MessageSink, RecordsMessagesAndRestoresThePreviousSink)
{
    RecordingMessageSink outer;
    EXPECT_EQ(ShowMessage(QStringLiteral("first"), MB_ICONERROR), IDOK);
    {
        RecordingMessageSink inner;
        int seen = 0;
        inner.onMessage = [&seen](const RecordingMessageSink::Message& m) {
            ++seen;
            EXPECT_EQ(m.text, QStringLiteral("second"));
        };
        ShowMessage(QStringLiteral("second"), MB_ICONINFORMATION);
        ASSERT_EQ(inner.Messages().size(), 1u);
        EXPECT_EQ(inner.Messages()[0].flags, unsigned { MB_ICONINFORMATION });
        EXPECT_EQ(seen, 1);
    }
    ShowMessage(QStringLiteral("third"));
    ASSERT_EQ(outer.Messages().size(), 2u);
    EXPECT_EQ(outer.Messages()[0].text, QStringLiteral("first"));
    EXPECT_EQ(outer.Messages()[0].flags, unsigned { MB_ICONERROR });
    EXPECT_EQ(outer.Messages()[1].text, QStringLiteral("third"));
    EXPECT_EQ(outer.Messages()[1].flags, unsigned { MB_OK });
    outer.Clear();
    EXPECT_TRUE(outer.Messages().empty());
}

TEST(Clock, FixedAdvancedAndReset)
{
    const QDateTime noon(QDate(2010, 5, 17), QTime(12, 0, 0));
    Clock::SetFixed(noon);
    EXPECT_TRUE(Clock::IsFixed());
    EXPECT_EQ(Clock::Now(), noon);
    Clock::Advance(24 * 3600);
    EXPECT_EQ(Clock::Now(), QDateTime(QDate(2010, 5, 18), QTime(12, 0, 0)));
    Clock::Advance(-30);
    EXPECT_EQ(Clock::Now(), QDateTime(QDate(2010, 5, 18), QTime(11, 59, 30)));
    Clock::Reset();
    EXPECT_FALSE(Clock::IsFixed());
    Clock::Advance(3600); // a running clock cannot be moved
    EXPECT_FALSE(Clock::IsFixed());
    EXPECT_EQ(Clock::Now().time().msec(), 0); // to the second
}

TEST(ExecutablePath, RealPathAndOverride)
{
    const std::optional<QString> real = ExecutableFilePath();
    ASSERT_TRUE(real.has_value());
    EXPECT_TRUE(QFileInfo(*real).isFile());
    SetExecutableFilePathForTesting(QStringLiteral("/tmp/x/lexitrain"));
    EXPECT_EQ(ExecutableFilePath(), QStringLiteral("/tmp/x/lexitrain"));
    SetExecutableFilePathForTesting(std::nullopt);
    EXPECT_FALSE(ExecutableFilePath().has_value());
    ClearExecutableFilePathOverride();
    EXPECT_EQ(ExecutableFilePath(), real);
}
