#include "platform/media/FileWriter.h"

#include "platform/media/GstFilter.h"

namespace {
// What the writer takes: finished byte streams. Raw samples are refused so
// that Render looks for an encoder in front of the writer instead of storing
// headerless audio.
constexpr const char *kStreamCaps = "audio/x-wav; audio/x-ms-asf; video/x-ms-asf; application/octet-stream; "
                                    "audio/mpeg; audio/x-flac; audio/ogg; application/ogg; video/quicktime";

class FileWriter final : public BinFilter<IFileSinkFilter2> {
public:
    FileWriter()
    {
        GstElement *filter = AddElement(Element(), "capsfilter");
        m_sink = AddElement(Element(), "filesink");
        if (!filter || !m_sink)
            return;
        GstCaps *caps = gst_caps_from_string(kStreamCaps);
        g_object_set(filter, "caps", caps, nullptr);
        gst_caps_unref(caps);
        g_object_set(m_sink, "append", FALSE, nullptr);
        gst_element_link(filter, m_sink);
        GstObjectPtr<GstPad> target(gst_element_get_static_pad(filter, "sink"));
        AddPin(PINDIR_INPUT, "in", target.get());
    }

    bool Ok() const { return m_sink != nullptr; }

    HRESULT SetFileName(const char *fileName, const void *) override
    {
        if (!fileName)
            return E_POINTER;
        if (!*fileName)
            return E_INVALIDARG;
        // filesink opens its file on the way to READY; a new name only
        // counts for the next run.
        if (GST_STATE(Element()) > GST_STATE_READY)
            return VFW_E_WRONG_STATE;
        g_object_set(m_sink, "location", fileName, nullptr);
        return S_OK;
    }

    HRESULT SetMode(DWORD flags) override { return flags == 0 || flags == AM_FILE_OVERWRITE ? S_OK : E_INVALIDARG; }

private:
    GstElement *m_sink = nullptr;
};
} // namespace

HRESULT CreateFileWriter(REFIID riid, void **ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!gst_is_initialized())
        gst_init(nullptr, nullptr);
    ComPtr<FileWriter> writer = ComPtr<FileWriter>::Attach(new FileWriter);
    if (!writer->Ok())
        return E_FAIL;
    return writer->QueryInterface(riid, ppv);
}
