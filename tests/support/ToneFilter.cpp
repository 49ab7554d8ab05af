#include "support/ToneFilter.h"

namespace {
class ToneFilter final : public BinFilter<> {
public:
    explicit ToneFilter(const ToneSpec &spec)
    {
        GstElement *source = AddElement(Element(), "audiotestsrc");
        GstElement *format = AddElement(Element(), "capsfilter");
        g_object_set(source, "is-live", TRUE, "freq", spec.frequency, "volume", 0.5, "samplesperbuffer",
                     spec.rate * spec.bufferMs / 1000, "num-buffers", spec.buffers, nullptr);
        GstCaps *caps =
            gst_caps_new_simple("audio/x-raw", "format", G_TYPE_STRING, "S16LE", "rate", G_TYPE_INT, spec.rate,
                                "channels", G_TYPE_INT, spec.channels, "layout", G_TYPE_STRING, "interleaved", nullptr);
        g_object_set(format, "caps", caps, nullptr);
        gst_caps_unref(caps);
        gst_element_link(source, format);
        GstElement *last = format;
        if (spec.firstBufferMs > 0) {
            // Holds everything back, the stream's start and format included,
            // until that much audio has come.
            GstElement *hold = AddElement(Element(), "queue");
            g_object_set(hold, "min-threshold-time", guint64(spec.firstBufferMs) * GST_MSECOND, "max-size-time",
                         guint64(0), "max-size-buffers", 0u, "max-size-bytes", 0u, nullptr);
            gst_element_link(format, hold);
            last = hold;
        }
        GstObjectPtr<GstPad> out(gst_element_get_static_pad(last, "src"));
        AddPin(PINDIR_OUTPUT, "Capture", out.get());
    }
};
} // namespace

ComPtr<IBaseFilter> MakeToneFilter(const ToneSpec &spec)
{
    ComPtr<IBaseFilter> filter;
    CreateComObject<ToneFilter>(IID_IBaseFilter, filter.put_void(), spec);
    return filter;
}
