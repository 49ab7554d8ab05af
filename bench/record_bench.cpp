// The real main dialog driven headless for scripts/bench: start-up, one long
// recording, or a series of short takes. Each mode prints one line
// "BENCH {json}" on standard output; scripts/bench spawns this program as a
// child so that its CPU time and peak RSS are its own.
//
//   record_bench startup
//   record_bench record <seconds> <out.wma> [rss-mark-seconds...]
//   record_bench takes <count> <folder> <milliseconds-per-take>
//
// BENCH_DEVICE names the capture device as the device list shows it
// (default "Tombrello Output"); the sound server is the one PULSE_SERVER names.
#include "app/CaptureApp.h"
#include "app/Settings.h"
#include "platform/MessageBox.h"
#include "platform/media/Interfaces.h"
#include "ui/CaptureDlg.h"

#include <QApplication>
#include <QComboBox>
#include <QDir>
#include <QElapsedTimer>
#include <QFile>
#include <QJsonArray>
#include <QJsonDocument>
#include <QJsonObject>
#include <QLineEdit>
#include <QProcess>
#include <QSettings>
#include <QTemporaryDir>
#include <QThread>

#include <gst/gst.h>
#include <sys/resource.h>

#include <cstdio>
#include <cstdlib>
#include <ctime>
#include <memory>

namespace {

qint64 MonotonicNs()
{
    timespec ts{};
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return qint64(ts.tv_sec) * 1000000000 + ts.tv_nsec;
}

double CpuSeconds()
{
    rusage ru{};
    getrusage(RUSAGE_SELF, &ru);
    return double(ru.ru_utime.tv_sec + ru.ru_stime.tv_sec) + double(ru.ru_utime.tv_usec + ru.ru_stime.tv_usec) / 1e6;
}

// A field of /proc/self/status in KiB (VmRSS, VmHWM).
qint64 StatusKiB(const char *field)
{
    QFile status(QStringLiteral("/proc/self/status"));
    if (!status.open(QIODevice::ReadOnly))
        return -1;
    const QByteArray key = QByteArray(field) + ':';
    for (const QByteArray &line : status.readAll().split('\n')) {
        if (line.startsWith(key))
            return line.mid(key.size()).trimmed().split(' ').value(0).toLongLong();
    }
    return -1;
}

int CountEntries(const char *folder)
{
    return int(
        QDir(QString::fromLatin1(folder)).entryList(QDir::AllEntries | QDir::NoDotAndDotDot | QDir::System).size());
}

void Pump(int ms)
{
    QElapsedTimer t;
    t.start();
    while (t.elapsed() < ms) {
        QCoreApplication::processEvents(QEventLoop::AllEvents, 5);
        QThread::msleep(2);
    }
}

void Emit(const QJsonObject &result)
{
    std::printf("BENCH %s\n", QJsonDocument(result).toJson(QJsonDocument::Compact).constData());
    std::fflush(stdout);
}

// What ffprobe says of a file right now: its container and duration, or
// nothing when it is not (yet) a playable file.
QJsonObject ProbeNow(const QString &file)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"), {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                                        QStringLiteral("format=format_name,duration"), QStringLiteral("-of"),
                                        QStringLiteral("default=noprint_wrappers=1:nokey=1"), file});
    p.waitForFinished(30000);
    const QStringList fields = QString::fromUtf8(p.readAllStandardOutput()).split(u'\n', Qt::SkipEmptyParts);
    QJsonObject o;
    o[QStringLiteral("playable")] = p.exitCode() == 0 && fields.size() >= 2;
    o[QStringLiteral("format")] = fields.value(0);
    o[QStringLiteral("duration")] = fields.value(1).toDouble();
    return o;
}

// The program's start-up without its guidance dialog and with message boxes
// written to standard error instead of shown.
class Session {
public:
    Session()
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_config.path());
        theApp.m_pszAppName = QStringLiteral("tombrello-bench");
        theApp.InitSkin();
        theApp.WriteProfileInt(kSectionOption, kEntryOnlyOnce, 1);
        RegisterMediaClasses();
        SetMessageBoxHandler([this](const MessageBoxCall &call) {
            ++m_boxes;
            std::fprintf(stderr, "message box: %s: %s\n", qPrintable(call.caption), qPrintable(call.text));
            return IDOK;
        });
        SetBeepHandler([](UINT) {});
        CDialog::SetModalHandler([](CDialog &d) { d.SendMessage(WM_COMMAND, MAKEWPARAM(1, 0), 0); });
    }
    ~Session()
    {
        if (dlg && dlg->isVisible())
            dlg->SendMessage(WM_CLOSE, 0, 0);
        dlg.reset();
        SetMessageBoxHandler(nullptr);
    }

    bool Open()
    {
        dlg = std::make_unique<CCaptureDlg>();
        return dlg->Create() && dlg->m_cboDevice->count() > 0;
    }

    bool ChooseDevice()
    {
        const QString name = qEnvironmentVariable("BENCH_DEVICE", QStringLiteral("Tombrello Output"));
        const int index = dlg->m_cboDevice->findText(name);
        if (index < 0)
            return false;
        dlg->m_cboDevice->setCurrentIndex(index);
        dlg->OnSelchangeDevice();
        return bool(dlg->m_pCaptureFilter);
    }

    int Boxes() const { return m_boxes; }
    std::unique_ptr<CCaptureDlg> dlg;

private:
    QTemporaryDir m_config;
    int m_boxes = 0;
};

int Startup()
{
    Session s;
    const qint64 before = MonotonicNs();
    const bool shown = s.Open();
    const qint64 ready = MonotonicNs();
    QJsonObject o;
    o[QStringLiteral("shown")] = shown && s.dlg->isVisible();
    o[QStringLiteral("devices")] = s.dlg->m_cboDevice->count();
    o[QStringLiteral("ready_ns")] = double(ready);
    o[QStringLiteral("create_ms")] = double(ready - before) / 1e6;
    Emit(o);
    return shown ? 0 : 1;
}

int Record(int seconds, const QString &out, const QList<int> &marks)
{
    Session s;
    if (!s.Open() || !s.ChooseDevice()) {
        std::fprintf(stderr, "no capture device\n");
        return 1;
    }
    s.dlg->m_editOutput->setText(out);
    const int fdsBefore = CountEntries("/proc/self/fd");
    const double cpuBefore = CpuSeconds();
    QElapsedTimer wall;
    wall.start();
    s.dlg->OnRecord();
    const bool recording = s.dlg->m_bRecording == 1;
    QJsonArray rss;
    for (int mark : marks) {
        Pump(int(qMax<qint64>(0, qint64(mark) * 1000 - wall.elapsed())));
        rss.append(
            QJsonObject{{QStringLiteral("at_s"), mark}, {QStringLiteral("rss_kib"), double(StatusKiB("VmRSS"))}});
    }
    Pump(int(qMax<qint64>(0, qint64(seconds) * 1000 - wall.elapsed())));
    const bool stillRecording = s.dlg->m_bRecording == 1;
    const qint64 stopAt = wall.nsecsElapsed();
    s.dlg->OnStop();
    const qint64 stopped = wall.nsecsElapsed();
    QJsonObject o;
    o[QStringLiteral("recording")] = recording && stillRecording;
    o[QStringLiteral("wall_s")] = double(stopAt) / 1e9;
    o[QStringLiteral("stop_ms")] = double(stopped - stopAt) / 1e6;
    o[QStringLiteral("cpu_recording_s")] = CpuSeconds() - cpuBefore;
    o[QStringLiteral("rss")] = rss;
    o[QStringLiteral("peak_rss_kib")] = double(StatusKiB("VmHWM"));
    o[QStringLiteral("fds_before")] = fdsBefore;
    o[QStringLiteral("fds_after")] = CountEntries("/proc/self/fd");
    o[QStringLiteral("threads_after")] = CountEntries("/proc/self/task");
    o[QStringLiteral("temp_wav")] = s.dlg->m_szTempWavFile;
    o[QStringLiteral("boxes")] = s.Boxes();
    o[QStringLiteral("probe")] = ProbeNow(out);
    Emit(o);
    return 0;
}

int Takes(int count, const QString &folder, int takeMs)
{
    Session s;
    if (!s.Open() || !s.ChooseDevice()) {
        std::fprintf(stderr, "no capture device\n");
        return 1;
    }
    QJsonArray takes;
    for (int i = 0; i < count; ++i) {
        const QString out = QDir(folder).filePath(QStringLiteral("take%1.wma").arg(i, 2, 10, QLatin1Char('0')));
        s.dlg->m_editOutput->setText(out);
        QElapsedTimer wall;
        wall.start();
        s.dlg->OnRecord();
        const qint64 recordReturned = wall.nsecsElapsed();
        Pump(takeMs);
        const qint64 stopAt = wall.nsecsElapsed();
        s.dlg->OnStop();
        const qint64 stopped = wall.nsecsElapsed();
        QJsonObject take = ProbeNow(out); // before anything else can finish the file
        take[QStringLiteral("file")] = out;
        take[QStringLiteral("record_call_ms")] = double(recordReturned) / 1e6;
        take[QStringLiteral("wall_s")] = double(stopAt) / 1e9;
        take[QStringLiteral("stop_ms")] = double(stopped - stopAt) / 1e6;
        takes.append(take);
        Pump(200);
    }
    Emit(QJsonObject{{QStringLiteral("takes"), takes}, {QStringLiteral("boxes"), s.Boxes()}});
    return 0;
}

int Usage()
{
    std::fprintf(stderr, "usage: record_bench startup | record <seconds> <out.wma> [marks...] | "
                         "takes <count> <folder> <ms>\n");
    return 2;
}

} // namespace

int main(int argc, char **argv)
{
    setenv("QT_QPA_PLATFORM", "offscreen", 0);
    setenv("TOMBRELLO_MODULE_PATH", TOMBRELLO_MODULE_DIR, 0);
    gst_init(&argc, &argv);
    QApplication app(argc, argv);
    const QStringList args = app.arguments();
    const QString mode = args.value(1);
    if (mode == QStringLiteral("startup"))
        return Startup();
    if (mode == QStringLiteral("record") && args.size() >= 4) {
        QList<int> marks;
        for (int i = 4; i < args.size(); ++i)
            marks.append(args[i].toInt());
        return Record(args[2].toInt(), args[3], marks);
    }
    if (mode == QStringLiteral("takes") && args.size() == 5)
        return Takes(args[2].toInt(), args[3], args[4].toInt());
    return Usage();
}
