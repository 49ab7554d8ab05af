// The system device enumerator against the private sound server: which
// devices it lists and in what order, what their monikers bind, and what it
// does when there is no server or one that never answers.
#include "platform/media/GstFilter.h"
#include "platform/pulse/PulseClasses.h"
#include "support/PulseDaemon.h"

#include <gtest/gtest.h>

#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>

namespace {

struct Listed {
    std::string name;
    ComPtr<IMoniker> moniker;
};

HRESULT ListDevices(std::vector<Listed> *devices, const CLSID &category = CLSID_AudioInputDeviceCategory)
{
    devices->clear();
    ComPtr<ICreateDevEnum> devEnum;
    HRESULT hr = CoCreateInstance(CLSID_SystemDeviceEnum, &devEnum);
    if (FAILED(hr))
        return hr;
    ComPtr<IEnumMoniker> monikers;
    hr = devEnum->CreateClassEnumerator(category, monikers.put(), 0);
    if (hr != S_OK) {
        EXPECT_FALSE(monikers) << "no devices must come with a null enumerator";
        return hr;
    }
    ComPtr<IMoniker> moniker;
    while (monikers->Next(1, moniker.put(), nullptr) == S_OK) {
        ComPtr<IPropertyBag> bag;
        EXPECT_EQ(moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.put_void()), S_OK);
        VARIANT name;
        name.vt = VT_BSTR;
        EXPECT_EQ(bag->Read("FriendlyName", &name, nullptr), S_OK);
        devices->push_back({name.bstrVal, moniker});
    }
    return hr;
}

std::vector<std::string> Names(const std::vector<Listed> &devices)
{
    std::vector<std::string> names;
    for (const Listed &d : devices)
        names.push_back(d.name);
    return names;
}

ComPtr<IBaseFilter> Bind(const Listed &device)
{
    ComPtr<IBaseFilter> filter;
    EXPECT_EQ(device.moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.put_void()), S_OK);
    return filter;
}

std::vector<std::string> PinNames(IBaseFilter *filter, PIN_DIRECTION dir)
{
    std::vector<std::string> names;
    for (const ComPtr<IPin> &pin : PinsOf(filter, dir)) {
        PIN_INFO info;
        pin->QueryPinInfo(&info);
        if (info.pFilter)
            info.pFilter->Release();
        names.push_back(info.achName);
    }
    return names;
}

ComPtr<IAMAudioInputMixer> Mixer(const ComPtr<IPin> &pin)
{
    ComPtr<IAMAudioInputMixer> mixer;
    pin.As(&mixer);
    return mixer;
}

class PulseDevicesTest : public PulseTest {
protected:
    void SetUp() override
    {
        PulseTest::SetUp();
        RegisterPulseClasses();
    }
};

TEST_F(PulseDevicesTest, NullSinkIsADeviceWithItsMonitorLine)
{
    std::vector<Listed> devices;
    ASSERT_EQ(ListDevices(&devices), S_OK);
    ASSERT_EQ(Names(devices), std::vector<std::string>{daemon.SinkDescription()});

    ComPtr<IBaseFilter> filter = Bind(devices[0]);
    ASSERT_TRUE(filter);
    EXPECT_EQ(PinNames(filter.get(), PINDIR_INPUT), std::vector<std::string>{"Monitor of " + daemon.SinkDescription()});
    EXPECT_EQ(PinNames(filter.get(), PINDIR_OUTPUT), std::vector<std::string>{"Capture"});

    // The output pin is a pad of the filter's bin; the lines are mixers.
    ComPtr<IGstFilter> gst;
    ASSERT_EQ(filter.As(&gst), S_OK);
    ComPtr<IGstPin> out;
    ASSERT_EQ(PinsOf(filter.get(), PINDIR_OUTPUT)[0].As(&out), S_OK);
    EXPECT_EQ(GST_OBJECT_PARENT(out->Pad()), GST_OBJECT(gst->Element()));
    EXPECT_TRUE(Mixer(PinsOf(filter.get(), PINDIR_INPUT)[0]));
    EXPECT_FALSE(Mixer(PinsOf(filter.get(), PINDIR_OUTPUT)[0]));
}

TEST_F(PulseDevicesTest, CardlessSinksComeBeforeCardlessSources)
{
    ASSERT_GE(daemon.AddNullSource("lone_in", "Lone Input"), 0);
    ASSERT_GE(daemon.AddNullSink("second_out", "Second Output"), 0);
    std::vector<Listed> devices;
    ASSERT_EQ(ListDevices(&devices), S_OK);
    ASSERT_EQ(Names(devices), (std::vector<std::string>{daemon.SinkDescription(), "Second Output", "Lone Input"}));

    // A source of its own has itself as its one line.
    ComPtr<IBaseFilter> source = Bind(devices[2]);
    EXPECT_EQ(PinNames(source.get(), PINDIR_INPUT), std::vector<std::string>{"Lone Input"});
}

TEST_F(PulseDevicesTest, SameNamedDevicesBindTheirOwnDevice)
{
    ASSERT_GE(daemon.AddNullSink("twin_a", "Twin Output"), 0);
    ASSERT_GE(daemon.AddNullSink("twin_b", "Twin Output"), 0);
    std::vector<Listed> devices;
    ASSERT_EQ(ListDevices(&devices), S_OK);
    ASSERT_EQ(Names(devices), (std::vector<std::string>{daemon.SinkDescription(), "Twin Output", "Twin Output"}));

    // Each entry's line is its own sink's monitor: setting one level moves only that source.
    auto first = Mixer(PinsOf(Bind(devices[1]).get(), PINDIR_INPUT)[0]);
    auto second = Mixer(PinsOf(Bind(devices[2]).get(), PINDIR_INPUT)[0]);
    ASSERT_TRUE(first && second);
    ASSERT_EQ(first->put_MixLevel(0.25), S_OK);
    EXPECT_NEAR(daemon.SourceVolume("twin_a.monitor").value_or(-1), 0.25, 1e-3);
    EXPECT_NEAR(daemon.SourceVolume("twin_b.monitor").value_or(-1), 1.0, 1e-3);
    ASSERT_EQ(second->put_MixLevel(0.5), S_OK);
    EXPECT_NEAR(daemon.SourceVolume("twin_b.monitor").value_or(-1), 0.5, 1e-3);
    EXPECT_NEAR(daemon.SourceVolume("twin_a.monitor").value_or(-1), 0.25, 1e-3);
}

TEST_F(PulseDevicesTest, PropertyBagAnswersTheFriendlyNameOnly)
{
    std::vector<Listed> devices;
    ASSERT_EQ(ListDevices(&devices), S_OK);
    ComPtr<IPropertyBag> bag;
    ASSERT_EQ(devices[0].moniker->BindToStorage(nullptr, nullptr, IID_IPropertyBag, bag.put_void()), S_OK);
    VARIANT value;
    EXPECT_EQ(bag->Read("FriendlyName", &value, nullptr), S_OK);
    EXPECT_EQ(value.vt, VT_BSTR);
    EXPECT_EQ(value.bstrVal, daemon.SinkDescription());
    VariantInit(&value);
    EXPECT_EQ(bag->Read("CLSID", &value, nullptr), E_INVALIDARG);
    EXPECT_EQ(value.vt, VT_EMPTY);

    ComPtr<IBaseFilter> notABag;
    EXPECT_EQ(devices[0].moniker->BindToStorage(nullptr, nullptr, IID_IBaseFilter, notABag.put_void()), E_NOINTERFACE);
}

TEST_F(PulseDevicesTest, OtherCategoriesHaveNoDevices)
{
    const CLSID videoCategory = {0x860bb310, 0x5d01, 0x11d0, {0xbd, 0x3b, 0x00, 0xa0, 0xc9, 0x11, 0xce, 0x86}};
    std::vector<Listed> devices;
    EXPECT_EQ(ListDevices(&devices, videoCategory), S_FALSE);
}

TEST_F(PulseDevicesTest, DeviceGoneSinceListingBindsNoFilter)
{
    const int module = daemon.AddNullSink("brief_out", "Brief Output");
    std::vector<Listed> devices;
    ASSERT_EQ(ListDevices(&devices), S_OK);
    ASSERT_EQ(devices.size(), 2u);
    ASSERT_TRUE(daemon.UnloadModule(module));
    ComPtr<IBaseFilter> filter;
    EXPECT_TRUE(FAILED(devices[1].moniker->BindToObject(nullptr, nullptr, IID_IBaseFilter, filter.put_void())));
    EXPECT_FALSE(filter);
}

TEST_F(PulseDevicesTest, NoServerMeansNoDevicesUntilItIsBack)
{
    daemon.Stop();
    std::vector<Listed> devices;
    EXPECT_EQ(ListDevices(&devices), S_FALSE);

    std::string error;
    ASSERT_TRUE(daemon.Restart(&error)) << error;
    ASSERT_EQ(ListDevices(&devices), S_OK);
    EXPECT_EQ(Names(devices), std::vector<std::string>{daemon.SinkDescription()});
}

// A socket that takes connections and never says a word.
class SilentServer {
public:
    explicit SilentServer(const std::string &path) : m_fd(socket(AF_UNIX, SOCK_STREAM, 0))
    {
        sockaddr_un address{};
        address.sun_family = AF_UNIX;
        path.copy(address.sun_path, sizeof address.sun_path - 1);
        m_listening = bind(m_fd, reinterpret_cast<sockaddr *>(&address), sizeof address) == 0 && listen(m_fd, 4) == 0;
    }
    ~SilentServer() { close(m_fd); }
    SilentServer(const SilentServer &) = delete;
    SilentServer &operator=(const SilentServer &) = delete;
    bool Listening() const { return m_listening; }

private:
    int m_fd;
    bool m_listening = false;
};

TEST_F(PulseDevicesTest, ServerThatNeverAnswersMeansNoDevices)
{
    daemon.Stop();
    const std::string path = daemon.RuntimeDir() + "/silent";
    SilentServer silent(path);
    ASSERT_TRUE(silent.Listening());
    // Restored by the daemon object with the rest of the environment.
    setenv("PULSE_SERVER", ("unix:" + path).c_str(), 1);

    const auto started = std::chrono::steady_clock::now();
    std::vector<Listed> devices;
    EXPECT_EQ(ListDevices(&devices), S_FALSE);
    // Bounded, not hung: the wait for the server is a few seconds at most.
    EXPECT_LT(std::chrono::steady_clock::now() - started, std::chrono::seconds(8));
}

} // namespace
