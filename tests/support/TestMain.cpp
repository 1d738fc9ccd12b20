// The entry of every GoogleTest executable: a QCoreApplication for the Qt
// types that the layers use, and messages recorded rather than printed.
#include <QCoreApplication>
#include <gtest/gtest.h>

int main(int argc, char** argv)
{
    QCoreApplication app(argc, argv);
    ::testing::InitGoogleTest(&argc, argv);
    return RUN_ALL_TESTS();
}
