#include "support/MediaProbe.h"

#include <QProcess>
#include <QRegularExpression>

#include <cmath>
#include <limits>

namespace {
QString Run(const QString &program, const QStringList &args, bool errors)
{
    QProcess p;
    p.setProcessChannelMode(errors ? QProcess::MergedChannels : QProcess::SeparateChannels);
    p.start(program, args);
    if (!p.waitForFinished(60000)) {
        p.kill();
        p.waitForFinished();
        return {};
    }
    return QString::fromUtf8(p.readAllStandardOutput());
}

QString Field(const QString &text, const QString &key)
{
    const QRegularExpression re(QStringLiteral("^%1=(.*)$").arg(key), QRegularExpression::MultilineOption);
    const auto m = re.match(text);
    return m.hasMatch() ? m.captured(1).trimmed() : QString();
}
} // namespace

MediaInfo Probe(const QString &file)
{
    const QString out = Run(QStringLiteral("ffprobe"),
                            {QStringLiteral("-v"), QStringLiteral("error"), QStringLiteral("-show_entries"),
                             QStringLiteral("format=format_name,duration:stream=codec_name,sample_rate,channels"),
                             QStringLiteral("-of"), QStringLiteral("default=noprint_wrappers=1"), file},
                            false);
    MediaInfo info;
    info.format = Field(out, QStringLiteral("format_name"));
    info.codec = Field(out, QStringLiteral("codec_name"));
    info.duration = Field(out, QStringLiteral("duration")).toDouble();
    info.sampleRate = Field(out, QStringLiteral("sample_rate")).toInt();
    info.channels = Field(out, QStringLiteral("channels")).toInt();
    info.ok = !info.format.isEmpty() && !info.codec.isEmpty();
    return info;
}

double MeanVolume(const QString &file)
{
    const QString out = Run(QStringLiteral("ffmpeg"),
                            {QStringLiteral("-hide_banner"), QStringLiteral("-nostats"), QStringLiteral("-i"), file,
                             QStringLiteral("-af"), QStringLiteral("volumedetect"), QStringLiteral("-f"),
                             QStringLiteral("null"), QStringLiteral("-")},
                            true);
    const auto m = QRegularExpression(QStringLiteral("mean_volume: (-?[0-9.inf]+) dB")).match(out);
    if (!m.hasMatch())
        return std::numeric_limits<double>::quiet_NaN();
    return m.captured(1) == QStringLiteral("-inf") ? -std::numeric_limits<double>::infinity()
                                                   : m.captured(1).toDouble();
}

double DecodedSeconds(const QString &file)
{
    const QString out =
        Run(QStringLiteral("ffmpeg"),
            {QStringLiteral("-hide_banner"), QStringLiteral("-nostats"), QStringLiteral("-i"), file,
             QStringLiteral("-af"), QStringLiteral("astats=measure_overall=Number_of_samples:measure_perchannel=none"),
             QStringLiteral("-f"), QStringLiteral("null"), QStringLiteral("-")},
            true);
    const auto samples = QRegularExpression(QStringLiteral("Number of samples: ([0-9]+)")).match(out);
    const MediaInfo info = Probe(file);
    if (!samples.hasMatch() || info.sampleRate == 0)
        return std::numeric_limits<double>::quiet_NaN();
    return samples.captured(1).toDouble() / info.sampleRate;
}
