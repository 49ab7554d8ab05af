// The "WAV Dest" encoder as the program finds it: through a registration
// file naming the module library.
#include "platform/ModuleRegistry.h"
#include "platform/media/GstFilter.h"
#include "platform/media/Interfaces.h"

#include <QByteArray>
#include <QFile>
#include <QTemporaryDir>

#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <vector>

namespace {

// Points the module search at one folder for the life of the object.
class ModulePath {
public:
    explicit ModulePath(const QString &dir) : m_old(qgetenv("TOMBRELLO_MODULE_PATH"))
    {
        m_had = qEnvironmentVariableIsSet("TOMBRELLO_MODULE_PATH");
        qputenv("TOMBRELLO_MODULE_PATH", dir.toLocal8Bit());
    }
    ~ModulePath()
    {
        if (m_had)
            qputenv("TOMBRELLO_MODULE_PATH", m_old);
        else
            qunsetenv("TOMBRELLO_MODULE_PATH");
    }
    ModulePath(const ModulePath &) = delete;
    ModulePath &operator=(const ModulePath &) = delete;

private:
    QByteArray m_old;
    bool m_had = false;
};

struct PinSummary {
    std::string name;
    PIN_DIRECTION dir;
    bool operator==(const PinSummary &o) const { return name == o.name && dir == o.dir; }
};

std::vector<PinSummary> PinsOf(IBaseFilter *filter)
{
    std::vector<PinSummary> out;
    ComPtr<IEnumPins> pins;
    EXPECT_EQ(filter->EnumPins(pins.put()), S_OK);
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.put(), nullptr) == S_OK) {
        PIN_INFO info;
        pin->QueryPinInfo(&info);
        info.pFilter->Release();
        out.push_back({info.achName, info.dir});
    }
    return out;
}

TEST(EncoderModule, RegisteredModuleMakesTheWavDestFilter)
{
    ModulePath path(QStringLiteral(TOMBRELLO_BUILD_DIR "/modules"));
    ComPtr<IBaseFilter> encoder;
    ASSERT_EQ(CoCreateInstance(CLSID_EncoderFilter, &encoder), S_OK);
    const std::vector<PinSummary> expected{{"In", PINDIR_INPUT}, {"Out", PINDIR_OUTPUT}};
    EXPECT_EQ(PinsOf(encoder.get()), expected);
    ComPtr<IGstFilter> gst;
    ASSERT_EQ(encoder.As(&gst), S_OK);
    EXPECT_TRUE(GST_IS_BIN(gst->Element()));
}

// The library the build's registration names.
QString BuiltModuleLibrary()
{
    QFile registration(QStringLiteral(TOMBRELLO_BUILD_DIR "/modules/wavdest.module"));
    if (!registration.open(QIODevice::ReadOnly))
        return {};
    for (const QByteArray &line : registration.readAll().split('\n'))
        if (line.startsWith("Library="))
            return QString::fromUtf8(line.mid(8).trimmed());
    return {};
}

TEST(EncoderModule, WithoutARegistrationTheClassIsNotRegistered)
{
    QTemporaryDir empty;
    ModulePath path(empty.path());
    ComPtr<IBaseFilter> encoder;
    EXPECT_EQ(CoCreateInstance(CLSID_EncoderFilter, &encoder), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(encoder);
}

TEST(EncoderModule, ModuleMakesOnlyTheEncoderClass)
{
    const QString library = BuiltModuleLibrary();
    ASSERT_FALSE(library.isEmpty());
    QTemporaryDir dir;
    // Another class wrongly registered for the same library.
    constexpr CLSID other = {0x0badc0de, 0x1111, 0x2222, {1, 2, 3, 4, 5, 6, 7, 8}};
    QFile registration(dir.filePath(QStringLiteral("other.module")));
    ASSERT_TRUE(registration.open(QIODevice::WriteOnly));
    registration.write("CLSID=" + QByteArray::fromStdString(GuidToString(other)) + "\nLibrary=" + library.toUtf8() +
                       "\n");
    registration.close();
    ModulePath path(dir.path());
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(CoCreateInstance(other, &filter), REGDB_E_CLASSNOTREG);
    EXPECT_FALSE(filter);
}

} // namespace
