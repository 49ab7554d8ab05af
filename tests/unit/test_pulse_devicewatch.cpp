// The return of a lost device announced to registered graphs: once per
// return, never to graphs gone meanwhile, and not to a graph whose own
// capture filter reports the return itself.
#include "platform/pulse/DeviceWatch.h"

#include <gtest/gtest.h>

#include <functional>
#include <vector>

namespace {

struct Notice {
    long code;
    LONG_PTR param1;
    LONG_PTR param2;
    bool operator==(const Notice &) const = default;
};

class RecordingGraph final : public ComObject<IMediaEventSink> {
public:
    HRESULT Notify(long code, LONG_PTR param1, LONG_PTR param2) override
    {
        notices.push_back({code, param1, param2});
        if (onNotify)
            onNotify();
        return S_OK;
    }
    std::vector<Notice> notices;
    std::function<void()> onNotify;
};

const Notice kCameBack{EC_DEVICE_LOST, 0, 1};

class DeviceWatchTest : public ::testing::Test {
protected:
    void SetUp() override
    {
        for (auto &g : graphs) {
            g = ComPtr<RecordingGraph>::Attach(new RecordingGraph);
            devicewatch::AddGraph(g.get());
        }
    }
    void TearDown() override
    {
        for (auto &g : graphs)
            devicewatch::RemoveGraph(g.get());
    }
    // Keys are per test: the registry lives as long as the process.
    std::string Key(const char *name) const
    {
        return std::string(::testing::UnitTest::GetInstance()->current_test_info()->name()) + ":" + name;
    }

    ComPtr<RecordingGraph> graphs[2];
};

TEST_F(DeviceWatchTest, ReturnIsAnnouncedOnceToEveryGraph)
{
    devicewatch::WatchForReturn(Key("mic"));
    devicewatch::DeviceAppeared(Key("mic"));
    devicewatch::DeviceAppeared(Key("mic"));
    for (auto &g : graphs)
        EXPECT_EQ(g->notices, std::vector<Notice>{kCameBack});
}

TEST_F(DeviceWatchTest, DevicesNeverLostAreNotAnnounced)
{
    devicewatch::WatchForReturn(Key("mic"));
    devicewatch::DeviceAppeared(Key("other"));
    for (auto &g : graphs)
        EXPECT_TRUE(g->notices.empty());
    devicewatch::DeviceAppeared(Key("mic"));
}

TEST_F(DeviceWatchTest, RemovedGraphHearsNothing)
{
    devicewatch::RemoveGraph(graphs[0].get());
    devicewatch::WatchForReturn(Key("mic"));
    devicewatch::DeviceAppeared(Key("mic"));
    EXPECT_TRUE(graphs[0]->notices.empty());
    EXPECT_EQ(graphs[1]->notices, std::vector<Notice>{kCameBack});
}

TEST_F(DeviceWatchTest, GraphHoldingTheDeviceIsLeftToItsFilter)
{
    devicewatch::GraphHoldsDevice(graphs[0].get(), Key("mic"));
    devicewatch::WatchForReturn(Key("mic"));
    devicewatch::DeviceAppeared(Key("mic"));
    EXPECT_TRUE(graphs[0]->notices.empty());
    EXPECT_EQ(graphs[1]->notices, std::vector<Notice>{kCameBack});

    // Once its filter left, the graph is told like any other.
    devicewatch::GraphReleasesDevice(graphs[0].get(), Key("mic"));
    devicewatch::WatchForReturn(Key("mic"));
    devicewatch::DeviceAppeared(Key("mic"));
    EXPECT_EQ(graphs[0]->notices, std::vector<Notice>{kCameBack});
}

TEST_F(DeviceWatchTest, HoldsCountPerFilter)
{
    devicewatch::GraphHoldsDevice(graphs[0].get(), Key("mic"));
    devicewatch::GraphHoldsDevice(graphs[0].get(), Key("mic"));
    devicewatch::GraphReleasesDevice(graphs[0].get(), Key("mic"));
    devicewatch::WatchForReturn(Key("mic"));
    devicewatch::DeviceAppeared(Key("mic"));
    EXPECT_TRUE(graphs[0]->notices.empty());
    devicewatch::GraphReleasesDevice(graphs[0].get(), Key("mic"));
}

TEST_F(DeviceWatchTest, GraphRemovedDuringAnnouncementIsSkipped)
{
    graphs[0]->onNotify = [this] { devicewatch::RemoveGraph(graphs[1].get()); };
    devicewatch::WatchForReturn(Key("mic"));
    devicewatch::DeviceAppeared(Key("mic"));
    EXPECT_EQ(graphs[0]->notices, std::vector<Notice>{kCameBack});
    EXPECT_TRUE(graphs[1]->notices.empty());
}

TEST_F(DeviceWatchTest, RemovedGraphLosesItsHolds)
{
    devicewatch::GraphHoldsDevice(graphs[0].get(), Key("mic"));
    devicewatch::RemoveGraph(graphs[0].get());
    // The same object registered again (as a new graph at the same address would be).
    devicewatch::AddGraph(graphs[0].get());
    devicewatch::WatchForReturn(Key("mic"));
    devicewatch::DeviceAppeared(Key("mic"));
    EXPECT_EQ(graphs[0]->notices, std::vector<Notice>{kCameBack});
}

} // namespace
