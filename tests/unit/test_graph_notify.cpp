// The real graph's event queue, its notification messages and its
// registration for lost devices coming back.
#include "platform/media/FilterGraph.h"
#include "platform/pulse/DeviceWatch.h"

#include <QCoreApplication>
#include <QObject>

#include <gtest/gtest.h>

#include <array>
#include <memory>
#include <vector>

namespace {

// Stands in for the dialog: keeps every window message it is sent.
class MessageSink : public QObject {
public:
    struct Message {
        UINT message;
        WPARAM wParam;
        LPARAM lParam;
    };
    std::vector<Message> received;

    bool event(QEvent *e) override
    {
        if (e->type() != WinMessageEvent::type())
            return QObject::event(e);
        const auto *m = static_cast<WinMessageEvent *>(e);
        received.push_back({m->message, m->wParam, m->lParam});
        return true;
    }
};

struct EventGraph {
    ComPtr<IMediaEventEx> events;
    ComPtr<IMediaEventSink> sink;

    EventGraph()
    {
        EXPECT_EQ(CreateFilterGraph(IID_IMediaEventEx, events.put_void()), S_OK);
        EXPECT_EQ(events.As(&sink), S_OK);
    }
};

TEST(GraphNotify, GetEventIsFirstInFirstOutThenAborts)
{
    EventGraph g;
    long code = -1;
    LONG_PTR p1 = -1, p2 = -1;
    EXPECT_EQ(g.events->GetEvent(&code, &p1, &p2, 0), E_ABORT);

    const std::vector<std::array<LONG_PTR, 3>> sent{
        {EC_DEVICE_LOST, 77, 0}, {EC_DEVICE_LOST, 0, 1}, {EC_COMPLETE, 0, 0}};
    for (const auto &e : sent)
        ASSERT_EQ(g.sink->Notify(static_cast<long>(e[0]), e[1], e[2]), S_OK);
    for (const auto &e : sent) {
        ASSERT_EQ(g.events->GetEvent(&code, &p1, &p2, 0), S_OK);
        EXPECT_EQ(code, e[0]);
        EXPECT_EQ(p1, e[1]);
        EXPECT_EQ(p2, e[2]);
        EXPECT_EQ(g.events->FreeEventParams(code, p1, p2), S_OK);
    }
    EXPECT_EQ(g.events->GetEvent(&code, &p1, &p2, 0), E_ABORT);
    EXPECT_EQ(g.events->GetEvent(nullptr, &p1, &p2, 0), E_POINTER);
}

TEST(GraphNotify, WaitingGetEventTimesOutWhenNothingComes)
{
    EventGraph g;
    long code;
    LONG_PTR p1, p2;
    EXPECT_EQ(g.events->GetEvent(&code, &p1, &p2, 50), E_ABORT);
}

TEST(GraphNotify, PostsOneMessagePerEventWhileAWindowIsSet)
{
    EventGraph g;
    MessageSink window;
    g.sink->Notify(EC_DEVICE_LOST, 0, 0); // before the window: queued, not posted
    ASSERT_EQ(g.events->SetNotifyWindow(&window, WM_GRAPHNOTIFY, 0x5eed), S_OK);
    g.sink->Notify(EC_DEVICE_LOST, 0, 1);
    g.sink->Notify(EC_COMPLETE, 0, 0);
    QCoreApplication::processEvents();

    ASSERT_EQ(window.received.size(), 2u);
    for (const auto &m : window.received) {
        EXPECT_EQ(m.message, WM_GRAPHNOTIFY);
        EXPECT_EQ(m.wParam, 0u);
        EXPECT_EQ(m.lParam, 0x5eed);
    }

    ASSERT_EQ(g.events->SetNotifyWindow(nullptr, 0, 0), S_OK);
    g.sink->Notify(EC_COMPLETE, 0, 0);
    QCoreApplication::processEvents();
    EXPECT_EQ(window.received.size(), 2u);

    // Every event stays queued, posted or not.
    long code;
    LONG_PTR p1, p2;
    int queued = 0;
    while (g.events->GetEvent(&code, &p1, &p2, 0) == S_OK)
        ++queued;
    EXPECT_EQ(queued, 4);
}

TEST(GraphNotify, AWindowThatIsGoneIsNotPostedTo)
{
    EventGraph g;
    auto window = std::make_unique<MessageSink>();
    g.events->SetNotifyWindow(window.get(), WM_GRAPHNOTIFY, 1);
    window.reset();
    EXPECT_EQ(g.sink->Notify(EC_DEVICE_LOST, 0, 0), S_OK);
    QCoreApplication::processEvents();
    long code;
    LONG_PTR p1, p2;
    EXPECT_EQ(g.events->GetEvent(&code, &p1, &p2, 0), S_OK);
}

TEST(GraphNotify, HearsOfALostDeviceComingBack)
{
    auto first = std::make_unique<EventGraph>();
    EventGraph second;
    devicewatch::WatchForReturn("graph-test-device");
    devicewatch::DeviceAppeared("graph-test-device");
    long code;
    LONG_PTR p1, p2;
    for (EventGraph *g : {first.get(), &second}) {
        ASSERT_EQ(g->events->GetEvent(&code, &p1, &p2, 0), S_OK);
        EXPECT_EQ(code, EC_DEVICE_LOST);
        EXPECT_EQ(p1, 0);
        EXPECT_EQ(p2, 1);
    }

    // A graph that is gone is no longer told.
    first.reset();
    devicewatch::WatchForReturn("graph-test-device");
    devicewatch::DeviceAppeared("graph-test-device");
    EXPECT_EQ(second.events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(second.events->GetEvent(&code, &p1, &p2, 0), E_ABORT);
}

} // namespace
