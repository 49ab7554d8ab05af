// Graph events: draining the queue, the device leaving and coming back.
#include "support/DialogFixture.h"

#include "app/Settings.h"

#include <QComboBox>
#include <QLabel>

namespace {

using EventsTest = DialogFixture;

TEST_F(EventsTest, OneNotificationTakesEveryQueuedEventInOrder)
{
    ASSERT_TRUE(Open());
    fake::Calls().clear();
    fake::FakeGraph *graph = Graph();
    graph->QueueEvent(EC_COMPLETE, 0, 0);
    graph->QueueEvent(EC_USERABORT, 0, 0);
    graph->QueueEvent(EC_COMPLETE, 0, 7);
    // Only the first of the three posted notifications finds anything.
    dlg->SendMessage(WM_GRAPHNOTIFY, 0, 0);
    const std::vector<std::string> expected = {"GetEvent 1 0",      "FreeEventParams 1", "GetEvent 2 0",
                                               "FreeEventParams 2", "GetEvent 1 7",      "FreeEventParams 1"};
    EXPECT_EQ(fake::Calls(), expected);
    Pump(); // the posted ones find an empty queue and do nothing
    EXPECT_EQ(fake::Calls(), expected);
    EXPECT_TRUE(boxes.empty());
    EXPECT_EQ(dlg->m_cboDevice->count(), 2) << "EC_COMPLETE is freed and ignored";
}

TEST_F(EventsTest, ANotificationWithAnotherInstanceReachesOnlyTheBase)
{
    ASSERT_TRUE(Open());
    Graph()->QueueEvent(EC_DEVICE_LOST, 0, 0);
    fake::Calls().clear();
    dlg->SendMessage(WM_GRAPHNOTIFY, 0, 1);
    EXPECT_TRUE(fake::Calls().empty());
    EXPECT_EQ(dlg->m_cboDevice->count(), 2);
}

TEST_F(EventsTest, RemovalWhileRecordingStopsTearsDownAndWarns)
{
    ASSERT_TRUE(Open());
    dlg->OnRecord();
    fake::FakeGraph *old = Graph();
    const int oldSerial = old->serial;
    old->QueueEvent(EC_DEVICE_LOST, 0, 0);
    old->QueueEvent(EC_DEVICE_LOST, 0, 1); // dropped with the released graph
    Pump();
    EXPECT_EQ(dlg->m_stcStatus->text(), QStringLiteral("Status : Ready"));
    EXPECT_EQ(dlg->m_bRecording, 0);
    EXPECT_EQ(dlg->m_cboDevice->count(), 0);
    EXPECT_EQ(dlg->m_cboInput->count(), 0);
    EXPECT_FALSE(dlg->m_pCaptureFilter);
    EXPECT_EQ(fake::CountCalls("StopWhenReady"), 1);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("The selected input device was removed!"));
    EXPECT_EQ(boxes[0].caption, QStringLiteral("DirectShow Audio Capture Sample"));
    EXPECT_EQ(boxes[0].flags, MB_OK | MB_ICONWARNING);
    EXPECT_EQ(beeps, std::vector<UINT>{MB_OK});
    // A device-less graph stays registered to hear of the return.
    ASSERT_EQ(fake::LiveGraphs().size(), 1u);
    EXPECT_GT(Graph()->serial, oldSerial);
    EXPECT_TRUE(Graph()->FilterNames().empty());
}

TEST_F(EventsTest, ReattachmentRebuildsTheListsWithTheRememberedDevice)
{
    ASSERT_TRUE(Open());
    dlg->m_cboDevice->setCurrentIndex(1);
    dlg->OnSelchangeDevice();
    Graph()->QueueEvent(EC_DEVICE_LOST, 0, 0);
    Pump();
    boxes.clear();
    beeps.clear();
    Graph()->QueueEvent(EC_DEVICE_LOST, 0, 1);
    Pump();
    EXPECT_EQ(dlg->m_cboDevice->count(), 2);
    EXPECT_EQ(dlg->m_cboDevice->currentIndex(), 1);
    EXPECT_TRUE(dlg->m_pCaptureFilter);
    EXPECT_EQ(Graph()->FilterNames(), std::vector<std::string>{"Audio Capture"});
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("The audio input device has been reattached!"));
    EXPECT_EQ(boxes[0].flags, MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(beeps, std::vector<UINT>{MB_OK});
    dlg->OnRecord();
    EXPECT_EQ(dlg->m_bRecording, 1) << "a new recording works";
}

TEST_F(EventsTest, ReattachmentWithAFailingGraphStillTellsTheUserAndSkipsTheListing)
{
    ASSERT_TRUE(Open());
    fake::FakeGraph *graph = Graph();
    config.graphFails = true;
    graph->QueueEvent(EC_DEVICE_LOST, 0, 1);
    Pump();
    EXPECT_EQ(dlg->m_cboDevice->count(), 0);
    ASSERT_EQ(boxes.size(), 1u);
    EXPECT_EQ(boxes[0].text, QStringLiteral("The audio input device has been reattached!"));
    EXPECT_FALSE(dlg->m_pME);
    dlg->SendMessage(WM_GRAPHNOTIFY, 0, 0); // nothing to drain
    config.graphFails = false;
}

TEST_F(EventsTest, AnEventArrivingWhileTheWarningIsOpenIsHandledInsideIt)
{
    ASSERT_TRUE(Open());
    int nested = 0;
    SetMessageBoxHandler([&](const MessageBoxCall &call) {
        boxes.push_back(call);
        if (call.text.contains(QStringLiteral("removed")) && nested++ == 0) {
            Graph()->QueueEvent(EC_DEVICE_LOST, 0, 1);
            Pump(); // the box's own loop dispatches the notification
        }
        return IDOK;
    });
    Graph()->QueueEvent(EC_DEVICE_LOST, 0, 0);
    Pump();
    ASSERT_EQ(boxes.size(), 2u);
    EXPECT_EQ(boxes[1].text, QStringLiteral("The audio input device has been reattached!"));
    EXPECT_EQ(dlg->m_cboDevice->count(), 2);
}

} // namespace
