#include "WavDest.h"

#include "platform/media/GstFilter.h"

#include <QSettings>
#include <QString>

namespace {
constexpr int kWmaBitrate = 128000;

// Reads one of a data packet's variable-width fields (width code 0-3: none, 1, 2 or 4 bytes).
bool ReadField(const guint8 *data, gsize size, gsize *pos, guint widthCode, guint32 *value)
{
    static constexpr gsize kWidths[4] = {0, 1, 2, 4};
    const gsize width = kWidths[widthCode & 3];
    if (*pos + width > size)
        return false;
    *value = 0;
    for (gsize i = 0; i < width; ++i)
        *value |= guint32(data[*pos + i]) << (8 * i);
    *pos += width;
    return true;
}

// Where the packet length of a padded, explicitly sized packet is, or 0.
gsize PacketLengthOffset(const guint8 *data, gsize size, guint packetSize, gsize *width)
{
    gsize pos = 0;
    if (size < 8)
        return 0;
    if (data[0] & 0x80) // error correction data comes first
        pos += 1 + (data[0] & 0x0f);
    if (pos + 2 > size)
        return 0;
    const guint flags = data[pos];
    pos += 2; // length type flags, property flags
    const guint lengthCode = (flags >> 5) & 3, sequenceCode = (flags >> 1) & 3, paddingCode = (flags >> 3) & 3;
    if (lengthCode < 2 || paddingCode == 0)
        return 0;
    const gsize lengthAt = pos;
    guint32 length = 0, sequence = 0, padding = 0;
    if (!ReadField(data, size, &pos, lengthCode, &length) || !ReadField(data, size, &pos, sequenceCode, &sequence) ||
        !ReadField(data, size, &pos, paddingCode, &padding) || length + padding != packetSize)
        return 0;
    *width = lengthCode == 2 ? 2 : 4;
    return lengthAt;
}

// asfmux gives the last packet of a take, the one that ends in padding, a
// length that leaves the padding out as well as the padding itself. ffmpeg
// (and readers like it) take the length as the whole packet's and drop that
// packet as invalid: the end of every take is lost, and all of a take
// shorter than one packet. Writing the whole packet size as its length reads
// the same to GStreamer's own demuxer and right to the others.
GstPadProbeReturn FixPaddedPacket(GstPad *, GstPadProbeInfo *info, gpointer data)
{
    const guint packetSize = GPOINTER_TO_UINT(data);
    GstBuffer *buffer = GST_PAD_PROBE_INFO_BUFFER(info);
    if (gst_buffer_get_size(buffer) != packetSize)
        return GST_PAD_PROBE_OK;
    GstMapInfo map;
    if (!gst_buffer_map(buffer, &map, GST_MAP_READ))
        return GST_PAD_PROBE_OK;
    gsize width = 0;
    const gsize at = PacketLengthOffset(map.data, map.size, packetSize, &width);
    gst_buffer_unmap(buffer, &map);
    if (at == 0)
        return GST_PAD_PROBE_OK;
    const guint8 length[4] = {guint8(packetSize), guint8(packetSize >> 8), guint8(packetSize >> 16),
                              guint8(packetSize >> 24)};
    buffer = gst_buffer_make_writable(buffer);
    gst_buffer_fill(buffer, at, length, width);
    GST_PAD_PROBE_INFO_DATA(info) = buffer;
    return GST_PAD_PROBE_OK;
}

struct Output {
    QByteArray path; // empty: no file named, the filter cannot start
    bool wave = false;
};

// The program names the recording before it creates the filter:
// "OutputWMAName/Default" is the file to write; "OUTPUTWAVE/Default" other
// than "0" asks for a plain WAV file there instead of Windows Media Audio.
Output ReadHandOff()
{
    const QSettings settings(QStringLiteral("ZORBANE"), QStringLiteral("TOMBRELLO"));
    Output out;
    out.path = settings.value(QStringLiteral("OutputWMAName/Default")).toString().toUtf8();
    out.wave =
        settings.value(QStringLiteral("OUTPUTWAVE/Default"), QStringLiteral("0")).toString() != QLatin1String("0");
    return out;
}

// asfmux keeps what it learnt of its input's first timestamps from one run
// to the next, so a second take in the same graph would begin far before
// its first one. The filter's bin tells the filter when it is back in NULL,
// and the filter then puts in a fresh muxer.
struct StoppingBin {
    GstBin bin;
    void (*stopped)(gpointer owner);
    gpointer owner;
};
struct StoppingBinClass {
    GstBinClass parent;
};
GstElementClass *g_binParentClass = nullptr;

GstStateChangeReturn StoppingBinChangeState(GstElement *element, GstStateChange transition)
{
    const GstStateChangeReturn result = g_binParentClass->change_state(element, transition);
    auto *self = reinterpret_cast<StoppingBin *>(element);
    if (transition == GST_STATE_CHANGE_READY_TO_NULL && result != GST_STATE_CHANGE_FAILURE && self->stopped)
        self->stopped(self->owner);
    return result;
}

GType StoppingBinType()
{
    static const GType type = g_type_register_static_simple(
        GST_TYPE_BIN, "TombrelloWavDestBin", sizeof(StoppingBinClass),
        [](gpointer klass, gpointer) {
            g_binParentClass = GST_ELEMENT_CLASS(g_type_class_peek_parent(klass));
            GST_ELEMENT_CLASS(klass)->change_state = StoppingBinChangeState;
        },
        sizeof(StoppingBin), nullptr, GTypeFlags(0));
    return type;
}

// Inside: tee, then the capture passed on as WAV to "Out", and the same
// capture encoded into the output file at its own rate and channels.
class WavDest final : public BinFilter<> {
public:
    explicit WavDest(const Output &output) : BinFilter(GST_ELEMENT(g_object_new(StoppingBinType(), nullptr)))
    {
        GstElement *tee = AddElement(Element(), "tee");
        m_ok = tee && BuildPassOn(tee) && BuildRecording(tee, output);
        if (!m_ok)
            return;
        GstObjectPtr<GstPad> in(gst_element_get_static_pad(tee, "sink"));
        AddPin(PINDIR_INPUT, "In", in.get());
        GstObjectPtr<GstPad> out(gst_element_get_static_pad(m_wavOut, "src"));
        AddPin(PINDIR_OUTPUT, "Out", out.get());
        auto *bin = reinterpret_cast<StoppingBin *>(Element());
        bin->owner = this;
        bin->stopped = [](gpointer owner) { static_cast<WavDest *>(owner)->RenewMuxer(); };
    }
    ~WavDest() override { reinterpret_cast<StoppingBin *>(Element())->stopped = nullptr; }

    bool Ok() const { return m_ok; }

private:
    bool BuildPassOn(GstElement *tee)
    {
        GstElement *queue = AddElement(Element(), "queue");
        m_wavOut = AddElement(Element(), "wavenc");
        return queue && m_wavOut && gst_element_link_many(tee, queue, m_wavOut, nullptr);
    }

    bool BuildRecording(GstElement *tee, const Output &output)
    {
        GstElement *queue = AddElement(Element(), "queue");
        GstElement *convert = AddElement(Element(), "audioconvert");
        m_sink = AddElement(Element(), "filesink");
        m_encoder = AddElement(Element(), output.wave ? "wavenc" : "avenc_wmav2");
        if (!queue || !convert || !m_sink || !m_encoder)
            return false;
        if (!output.path.isEmpty())
            g_object_set(m_sink, "location", output.path.constData(), nullptr);
        g_object_set(m_sink, "append", FALSE, nullptr);
        if (!gst_element_link_many(tee, queue, convert, m_encoder, nullptr))
            return false;
        if (output.wave)
            return gst_element_link(m_encoder, m_sink);
        g_object_set(m_encoder, "bitrate", kWmaBitrate, nullptr);
        return AddMuxer();
    }

    bool AddMuxer()
    {
        m_mux = AddElement(Element(), "asfmux");
        if (!m_mux)
            return false;
        // The default preroll (5 s) is longer than a short take and would be
        // announced as part of its duration.
        g_object_set(m_mux, "preroll", guint64(0), nullptr);
        guint packetSize = 0;
        g_object_get(m_mux, "packet-size", &packetSize, nullptr);
        GstObjectPtr<GstPad> out(gst_element_get_static_pad(m_mux, "src"));
        gst_pad_add_probe(out.get(), GST_PAD_PROBE_TYPE_BUFFER, FixPaddedPacket, GUINT_TO_POINTER(packetSize), nullptr);
        return gst_element_link_many(m_encoder, m_mux, m_sink, nullptr);
    }

    void RenewMuxer()
    {
        if (!m_mux)
            return;
        gst_element_unlink_many(m_encoder, m_mux, m_sink, nullptr);
        gst_bin_remove(Bin(), m_mux);
        if (!AddMuxer())
            g_warning("cannot renew the WMA muxer");
    }

    GstElement *m_wavOut = nullptr;
    GstElement *m_encoder = nullptr;
    GstElement *m_mux = nullptr;
    GstElement *m_sink = nullptr;
    bool m_ok = false;
};
} // namespace

HRESULT CreateWavDest(REFIID riid, void **ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    ComPtr<WavDest> filter = ComPtr<WavDest>::Attach(new WavDest(ReadHandOff()));
    if (!filter->Ok())
        return E_FAIL;
    return filter->QueryInterface(riid, ppv);
}
