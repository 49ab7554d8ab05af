// Whole recordings through the real pipeline: a live tone → the "WAV Dest"
// module → the File Writer, built the way the program builds it, checked
// with ffprobe and ffmpeg.
#include "platform/media/FilterGraph.h"
#include "platform/media/Interfaces.h"
#include "support/ToneFilter.h"

#include <QDir>
#include <QFile>
#include <QProcess>
#include <QRegularExpression>
#include <QSettings>
#include <QStandardPaths>
#include <QTemporaryDir>
#include <QTest>

#include <gtest/gtest.h>

#include <functional>
#include <ostream>

namespace {

constexpr double kTolerance = 0.3; // seconds
// Decoders may leave out the encoder's last, partly filled frame (2048 samples).
constexpr double kFrameTolerance = 0.07;
// A tone at half scale measures about -9 dB; digital silence -91 dB.
constexpr double kAudibleDb = -40.0;

struct Probe {
    QString format;
    QString codec;
    double duration = -1;
    int rate = 0;
    int channels = 0;
};

Probe FfProbe(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("ffprobe"),
            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
             QStringLiteral("format=format_name,duration:stream=codec_name,sample_rate,channels"),
             QStringLiteral("-of"), QStringLiteral("default=nw=1"), path});
    p.waitForFinished(30000);
    Probe probe;
    for (const QString &line : QString::fromUtf8(p.readAllStandardOutput()).split(u'\n')) {
        const QString key = line.section(u'=', 0, 0);
        const QString value = line.section(u'=', 1);
        if (key == QLatin1String("format_name"))
            probe.format = value;
        else if (key == QLatin1String("codec_name"))
            probe.codec = value;
        else if (key == QLatin1String("duration"))
            probe.duration = value.toDouble();
        else if (key == QLatin1String("sample_rate"))
            probe.rate = value.toInt();
        else if (key == QLatin1String("channels"))
            probe.channels = value.toInt();
    }
    return probe;
}

struct Decoded {
    double meanDb = std::nan(""); // -91 dB (or less) is silence
    double seconds = -1;
};

// Decodes the whole file the way a player would.
Decoded Decode(const QString &path)
{
    QProcess p;
    p.start(QStringLiteral("ffmpeg"), {QStringLiteral("-nostdin"), QStringLiteral("-hide_banner"), QStringLiteral("-i"),
                                       path, QStringLiteral("-af"), QStringLiteral("volumedetect"),
                                       QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-")});
    p.waitForFinished(30000);
    const QString log = QString::fromUtf8(p.readAllStandardError());
    Decoded d;
    const QRegularExpressionMatch volume = QRegularExpression(QStringLiteral("mean_volume: (-?[0-9.]+) dB")).match(log);
    if (volume.hasMatch())
        d.meanDb = volume.captured(1).toDouble();
    QRegularExpressionMatchIterator times =
        QRegularExpression(QStringLiteral("time=(\\d+):(\\d+):([0-9.]+)")).globalMatch(log);
    while (times.hasNext()) {
        const QRegularExpressionMatch t = times.next();
        d.seconds = t.captured(1).toInt() * 3600 + t.captured(2).toInt() * 60 + t.captured(3).toDouble();
    }
    return d;
}

// Stands in for the dialog: counts the graph's notify messages.
class NotifyWindow : public QObject {
public:
    int received = 0;
    bool event(QEvent *e) override
    {
        if (e->type() != WinMessageEvent::type())
            return QObject::event(e);
        if (static_cast<WinMessageEvent *>(e)->message == WM_GRAPHNOTIFY)
            ++received;
        return true;
    }
};

struct Chain {
    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEventEx> events;
    ComPtr<IBaseFilter> capture;
    ComPtr<IBaseFilter> encoder;
    ComPtr<IBaseFilter> writer;
    ComPtr<IFileSinkFilter2> sink;
};

ComPtr<IPin> FirstOutputPin(IBaseFilter *filter)
{
    ComPtr<IEnumPins> pins;
    filter->EnumPins(pins.put());
    ComPtr<IPin> pin;
    while (pins->Next(1, pin.put(), nullptr) == S_OK) {
        PIN_DIRECTION dir;
        pin->QueryDirection(&dir);
        if (dir == PINDIR_OUTPUT)
            return pin;
    }
    return {};
}

class GraphRecording : public ::testing::Test {
protected:
    static void SetUpTestSuite() { RegisterMediaClasses(); }

    void SetUp() override
    {
        ASSERT_TRUE(m_dir.isValid());
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope, m_dir.filePath(QStringLiteral("config")));
    }
    void TearDown() override
    {
        QSettings::setPath(QSettings::NativeFormat, QSettings::UserScope,
                           QStandardPaths::writableLocation(QStandardPaths::GenericConfigLocation));
    }

    QString Path(const char *name) const { return m_dir.filePath(QString::fromUtf8(name)); }

    // The program's hand-off to the encoder, written before it is created.
    static void HandOff(const QString &output, bool wave)
    {
        QSettings settings(QStringLiteral("ZORBANE"), QStringLiteral("TOMBRELLO"));
        if (output.isNull())
            settings.remove(QStringLiteral("OutputWMAName/Default"));
        else
            settings.setValue(QStringLiteral("OutputWMAName/Default"), output);
        settings.setValue(QStringLiteral("OUTPUTWAVE/Default"), wave ? QStringLiteral("1") : QStringLiteral("0"));
    }

    // capture → "WAV Dest" → "File Writer", the way the dialog builds it.
    static void Build(Chain *c, const ToneSpec &tone, const QString &output, const QString &temp, bool wave = false)
    {
        ASSERT_EQ(CoCreateInstance(CLSID_FilterGraph, &c->graph), S_OK);
        ASSERT_EQ(c->graph.As(&c->control), S_OK);
        ASSERT_EQ(c->graph.As(&c->events), S_OK);
        c->capture = MakeToneFilter(tone);
        ASSERT_EQ(c->graph->AddFilter(c->capture.get(), "Audio Capture"), S_OK);
        HandOff(output, wave);
        ASSERT_EQ(CoCreateInstance(CLSID_EncoderFilter, &c->encoder), S_OK);
        ASSERT_EQ(CoCreateInstance(CLSID_FileWriter, &c->sink), S_OK);
        ASSERT_EQ(c->sink.As(&c->writer), S_OK);
        ASSERT_EQ(c->graph->AddFilter(c->encoder.get(), "WAV Dest"), S_OK);
        ASSERT_EQ(c->graph->AddFilter(c->writer.get(), "File Writer"), S_OK);
        ASSERT_EQ(c->sink->SetMode(AM_FILE_OVERWRITE), S_OK);
        ASSERT_EQ(c->sink->SetFileName(temp.toUtf8().constData(), nullptr), S_OK);
        ASSERT_EQ(c->graph->Render(FirstOutputPin(c->capture.get()).get()), S_OK);
    }

    static void ExpectAudio(const QString &path, const char *format, const char *codec, const ToneSpec &tone,
                            double seconds)
    {
        const Probe p = FfProbe(path);
        EXPECT_EQ(p.format, QLatin1String(format)) << path.toStdString();
        EXPECT_EQ(p.codec, QLatin1String(codec)) << path.toStdString();
        EXPECT_EQ(p.rate, tone.rate) << path.toStdString();
        EXPECT_EQ(p.channels, tone.channels) << path.toStdString();
        EXPECT_NEAR(p.duration, seconds, kTolerance) << path.toStdString();
        const Decoded d = Decode(path);
        EXPECT_GT(d.meanDb, kAudibleDb) << path.toStdString();
        // All of it decodes: a reader that drops packets hears less than the file announces.
        EXPECT_NEAR(d.seconds, p.duration, kFrameTolerance) << path.toStdString();
    }

    QTemporaryDir m_dir;
};

enum class Action { Run, Pause };
struct Step {
    Action action;
    int ms;
};

struct TakeCase {
    const char *what;
    ToneSpec tone;
    bool wave;
    std::vector<Step> steps; // then Stop
    double seconds;          // the length both files must have
};

void PrintTo(const TakeCase &c, std::ostream *os)
{
    *os << c.what;
}

class GraphTake : public GraphRecording, public ::testing::WithParamInterface<TakeCase> {};

TEST_P(GraphTake, FilesHoldWhatWasRecorded)
{
    const TakeCase &c = GetParam();
    const QString output = Path("take.wma");
    const QString temp = Path("zephtemp.wav");
    Chain chain;
    ASSERT_NO_FATAL_FAILURE(Build(&chain, c.tone, output, temp, c.wave));
    for (const Step &step : c.steps) {
        ASSERT_EQ(step.action == Action::Run ? chain.control->Run() : chain.control->Pause(), S_OK);
        QTest::qWait(step.ms);
    }
    ASSERT_EQ(chain.control->StopWhenReady(), S_OK);

    if (c.wave)
        ExpectAudio(output, "wav", "pcm_s16le", c.tone, c.seconds);
    else
        ExpectAudio(output, "asf", "wmav2", c.tone, c.seconds);
    ExpectAudio(temp, "wav", "pcm_s16le", c.tone, c.seconds);
}

INSTANTIATE_TEST_SUITE_P(
    Takes, GraphTake,
    ::testing::Values(
        TakeCase{"ThreeSeconds", {44100, 2, 440.0, -1}, false, {{Action::Run, 3000}}, 3.0},
        TakeCase{"PauseLeavesNoGap",
                 {22050, 1, 660.0, -1},
                 false,
                 {{Action::Run, 2000}, {Action::Pause, 2000}, {Action::Run, 2000}},
                 4.0},
        TakeCase{"StopWhilePaused", {48000, 2, 440.0, -1}, false, {{Action::Run, 1500}, {Action::Pause, 1000}}, 1.5},
        TakeCase{"VeryShortTake", {44100, 2, 440.0, -1}, false, {{Action::Run, 100}}, 0.1},
        TakeCase{"WaveOutputAskedFor", {44100, 2, 440.0, -1}, true, {{Action::Run, 1000}}, 1.0}),
    [](const auto &p) { return std::string(p.param.what); });

TEST_F(GraphRecording, AnotherRunAfterStopStartsTheFilesAfresh)
{
    const QString output = Path("take.wma");
    const QString temp = Path("zephtemp.wav");
    Chain chain;
    ASSERT_NO_FATAL_FAILURE(Build(&chain, {}, output, temp));
    ASSERT_EQ(chain.control->Run(), S_OK);
    QTest::qWait(2000);
    ASSERT_EQ(chain.control->Stop(), S_OK);

    ASSERT_EQ(chain.control->Run(), S_OK);
    QTest::qWait(1000);
    ASSERT_EQ(chain.control->Stop(), S_OK);
    ExpectAudio(output, "asf", "wmav2", {}, 1.0);
    ExpectAudio(temp, "wav", "pcm_s16le", {}, 1.0);
}

struct StartFailure {
    const char *what;
    // Returns the output and temp paths for the case, made in `dir`.
    std::function<std::pair<QString, QString>(const QDir &dir)> paths;
};

void PrintTo(const StartFailure &c, std::ostream *os)
{
    *os << c.what;
}

// Runs as root here, and root may write anywhere: the place that cannot be
// written is a path below a regular file, or a path that is a folder.
std::pair<QString, QString> Good(const QDir &dir)
{
    return {dir.filePath(QStringLiteral("take.wma")), dir.filePath(QStringLiteral("zephtemp.wav"))};
}
QString UnderAFile(const QDir &dir, const char *name)
{
    QFile f(dir.filePath(QStringLiteral("plain-file")));
    f.open(QIODevice::WriteOnly);
    return dir.filePath(QStringLiteral("plain-file/") + QLatin1String(name));
}
QString AFolder(const QDir &dir)
{
    dir.mkpath(QStringLiteral("a-folder"));
    return dir.filePath(QStringLiteral("a-folder"));
}

class GraphStartFailure : public GraphRecording, public ::testing::WithParamInterface<StartFailure> {};

TEST_P(GraphStartFailure, RunFailsAndTheGraphStaysStopped)
{
    const QDir dir(m_dir.path());
    const auto [output, temp] = GetParam().paths(dir);
    Chain chain;
    ASSERT_NO_FATAL_FAILURE(Build(&chain, {}, output, temp));
    EXPECT_EQ(chain.control->Run(), VFW_E_FILE_ERROR);

    ComPtr<IGstFilter> capture;
    chain.capture.As(&capture);
    EXPECT_EQ(GST_STATE(capture->Element()), GST_STATE_NULL);
    EXPECT_EQ(chain.control->Stop(), S_OK);
    long code;
    LONG_PTR p1, p2;
    QTest::qWait(100);
    EXPECT_EQ(chain.events->GetEvent(&code, &p1, &p2, 0), E_ABORT) << "a failed start is not also an event";
}

INSTANTIATE_TEST_SUITE_P(
    Paths, GraphStartFailure,
    ::testing::Values(StartFailure{"OutputInMissingFolder",
                                   [](const QDir &d) {
                                       return std::pair{d.filePath(QStringLiteral("missing/take.wma")), Good(d).second};
                                   }},
                      StartFailure{"OutputBelowAFile",
                                   [](const QDir &d) {
                                       return std::pair{UnderAFile(d, "take.wma"), Good(d).second};
                                   }},
                      StartFailure{"OutputIsAFolder",
                                   [](const QDir &d) {
                                       return std::pair{AFolder(d), Good(d).second};
                                   }},
                      StartFailure{"OutputNotNamed",
                                   [](const QDir &d) {
                                       return std::pair{QString(), Good(d).second};
                                   }},
                      StartFailure{
                          "TempInMissingFolder",
                          [](const QDir &d) {
                              return std::pair{Good(d).first, d.filePath(QStringLiteral("missing/zephtemp.wav"))};
                          }},
                      StartFailure{"TempBelowAFile",
                                   [](const QDir &d) {
                                       return std::pair{Good(d).first, UnderAFile(d, "zephtemp.wav")};
                                   }},
                      StartFailure{"TempIsAFolder",
                                   [](const QDir &d) {
                                       return std::pair{Good(d).first, AFolder(d)};
                                   }}),
    [](const auto &p) { return std::string(p.param.what); });

TEST_F(GraphRecording, RunWorksOnceTheFileCanBeWritten)
{
    const QString output = Path("take.wma");
    const QString temp = Path("zephtemp.wav");
    Chain chain;
    ASSERT_NO_FATAL_FAILURE(Build(&chain, {}, output, Path("missing/zephtemp.wav")));
    ASSERT_EQ(chain.control->Run(), VFW_E_FILE_ERROR);
    ASSERT_EQ(chain.sink->SetFileName(temp.toUtf8().constData(), nullptr), S_OK);
    ASSERT_EQ(chain.control->Run(), S_OK);
    QTest::qWait(1000);
    ASSERT_EQ(chain.control->Stop(), S_OK);
    ExpectAudio(output, "asf", "wmav2", {}, 1.0);
    ExpectAudio(temp, "wav", "pcm_s16le", {}, 1.0);
}

// Waits, with the event loop running, until the window was notified.
bool WaitForNotify(const NotifyWindow &window, int ms)
{
    for (int waited = 0; window.received == 0 && waited < ms; waited += 20)
        QTest::qWait(20);
    return window.received > 0;
}

TEST_F(GraphRecording, WriteErrorWhileRunningIsAnErrorAbortEvent)
{
    Chain chain;
    // Opens fine, but every write fails: the disk is full.
    ASSERT_NO_FATAL_FAILURE(Build(&chain, {}, Path("take.wma"), QStringLiteral("/dev/full")));
    NotifyWindow window;
    chain.events->SetNotifyWindow(&window, WM_GRAPHNOTIFY, 42);
    ASSERT_EQ(chain.control->Run(), S_OK);
    ASSERT_TRUE(WaitForNotify(window, 5000));

    long code;
    LONG_PTR p1, p2;
    ASSERT_EQ(chain.events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_ERRORABORT);
    EXPECT_EQ(p1, VFW_E_FILE_ERROR);
    EXPECT_EQ(chain.control->Stop(), S_OK);
}

TEST_F(GraphRecording, CaptureThatEndsByItselfIsComplete)
{
    const QString output = Path("take.wma");
    const QString temp = Path("zephtemp.wav");
    Chain chain;
    ToneSpec oneSecond;
    oneSecond.buffers = 100;
    ASSERT_NO_FATAL_FAILURE(Build(&chain, oneSecond, output, temp));
    NotifyWindow window;
    chain.events->SetNotifyWindow(&window, WM_GRAPHNOTIFY, 7);
    ASSERT_EQ(chain.control->Run(), S_OK);
    ASSERT_TRUE(WaitForNotify(window, 5000));

    long code;
    LONG_PTR p1, p2;
    ASSERT_EQ(chain.events->GetEvent(&code, &p1, &p2, 0), S_OK);
    EXPECT_EQ(code, EC_COMPLETE);
    EXPECT_EQ(chain.control->Stop(), S_OK);
    ExpectAudio(output, "asf", "wmav2", oneSecond, 1.0);
    ExpectAudio(temp, "wav", "pcm_s16le", oneSecond, 1.0);
}

struct EarlyStop {
    const char *what;
    std::vector<Step> steps; // then Stop, before the capture's first buffer came
};

void PrintTo(const EarlyStop &c, std::ostream *os)
{
    *os << c.what;
}

class GraphEarlyStop : public GraphRecording, public ::testing::WithParamInterface<EarlyStop> {};

// A capture that takes its time to deliver (an idle sound server needs
// one to two seconds): a take stopped before still makes readable files.
TEST_P(GraphEarlyStop, FilesAreStillReadable)
{
    const QString output = Path("take.wma");
    const QString temp = Path("zephtemp.wav");
    Chain chain;
    ToneSpec slow;
    slow.firstBufferMs = 1500;
    ASSERT_NO_FATAL_FAILURE(Build(&chain, slow, output, temp));
    for (const Step &step : GetParam().steps) {
        ASSERT_EQ(step.action == Action::Run ? chain.control->Run() : chain.control->Pause(), S_OK);
        QTest::qWait(step.ms);
    }
    ASSERT_EQ(chain.control->Stop(), S_OK);
    const Probe wma = FfProbe(output);
    EXPECT_EQ(wma.format, QLatin1String("asf"));
    EXPECT_EQ(wma.codec, QLatin1String("wmav2"));
    EXPECT_LT(wma.duration, 2 * kTolerance);
    const Probe wav = FfProbe(temp);
    EXPECT_EQ(wav.format, QLatin1String("wav"));
    EXPECT_LT(wav.duration, 2 * kTolerance);
}

INSTANTIATE_TEST_SUITE_P(Takes, GraphEarlyStop,
                         ::testing::Values(EarlyStop{"Running", {{Action::Run, 100}}},
                                           EarlyStop{"Paused", {{Action::Run, 100}, {Action::Pause, 100}}}),
                         [](const auto &p) { return std::string(p.param.what); });

int OpenFiles()
{
    return static_cast<int>(
        QDir(QStringLiteral("/proc/self/fd")).entryList(QDir::AllEntries | QDir::NoDotAndDotDot).size());
}

int Threads()
{
    QFile status(QStringLiteral("/proc/self/status"));
    status.open(QIODevice::ReadOnly);
    const QRegularExpression re(QStringLiteral("Threads:\\s+(\\d+)"));
    return re.match(QString::fromLatin1(status.readAll())).captured(1).toInt();
}

TEST_F(GraphRecording, ManyShortTakesLeaveNothingBehind)
{
    auto cycle = [this] {
        Chain chain;
        ASSERT_NO_FATAL_FAILURE(Build(&chain, {}, Path("take.wma"), Path("zephtemp.wav")));
        ASSERT_EQ(chain.control->Run(), S_OK);
        QTest::qWait(50);
        ASSERT_EQ(chain.control->StopWhenReady(), S_OK);
        ASSERT_EQ(chain.graph->RemoveFilter(chain.encoder.get()), S_OK);
        ASSERT_EQ(chain.graph->RemoveFilter(chain.writer.get()), S_OK);
        ASSERT_EQ(chain.control->Stop(), S_OK);
    };
    // The first takes load plugins and fill GStreamer's thread pool.
    for (int i = 0; i < 10; ++i)
        ASSERT_NO_FATAL_FAILURE(cycle());
    const int files = OpenFiles();
    const int threads = Threads();
    for (int i = 10; i < 200; ++i)
        ASSERT_NO_FATAL_FAILURE(cycle()) << "take " << i;
    EXPECT_LE(OpenFiles(), files);
    EXPECT_LE(Threads(), threads + 2);
    EXPECT_GT(Decode(Path("take.wma")).meanDb, kAudibleDb);
}

} // namespace
