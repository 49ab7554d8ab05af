// Test entry: a QApplication on the offscreen platform unless a test run
// asks for another (Xvfb sets QT_QPA_PLATFORM=xcb).
#include <QApplication>

#include <gst/gst.h>
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char **argv)
{
    ::testing::InitGoogleTest(&argc, argv);
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    // ctest's ENVIRONMENT keeps only the first of several values given
    // through gtest_discover_tests, so the rest is set here.
    setenv("TOMBRELLO_MODULE_PATH", TOMBRELLO_BUILD_DIR "/modules", 0);
    setenv("GST_REGISTRY", TOMBRELLO_BUILD_DIR "/gst-registry.bin", 0);
    gst_init(&argc, &argv);
    QApplication app(argc, argv);
    return RUN_ALL_TESTS();
}
