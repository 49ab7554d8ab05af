// The media interfaces the recorder's engine talks to: a filter graph with
// media control and events, filters and pins, the device catalogue with
// monikers and property bags, the input-line mixer and the file sink.
// Only what the engine calls is here. Text travels as UTF-8.
#pragma once

#include "platform/Com.h"
#include "platform/Messages.h"

#include <string>

// ---- class and category identifiers ----
inline constexpr CLSID CLSID_FilterGraph = {
    0xc2638978, 0x7972, 0x4e12, {0xba, 0x39, 0xb4, 0x20, 0x15, 0xa1, 0xa4, 0x63}};
inline constexpr CLSID CLSID_CaptureGraphBuilder2 = {
    0xf73e5b70, 0xc324, 0x441d, {0x88, 0xe8, 0x4a, 0x49, 0x6d, 0xf3, 0x7a, 0x8f}};
inline constexpr CLSID CLSID_SystemDeviceEnum = {
    0x23ae9087, 0x640a, 0x45b1, {0xbc, 0x6f, 0xf6, 0xf7, 0xe2, 0x16, 0xd5, 0x80}};
inline constexpr CLSID CLSID_AudioInputDeviceCategory = {
    0x05e1cead, 0xe3cd, 0x421c, {0xaa, 0xae, 0x87, 0x31, 0xaa, 0x56, 0x9d, 0x4b}};
inline constexpr CLSID CLSID_FileWriter = {
    0x6491f339, 0xd332, 0x482c, {0x83, 0x1c, 0xc4, 0xc0, 0x25, 0x95, 0x43, 0x0d}};
// The separately installed encoder module ("WAV Dest").
inline constexpr CLSID CLSID_EncoderFilter = {
    0x3C78B8E2, 0x6C4D, 0x11D1, {0xAD, 0xE2, 0x00, 0x00, 0xF8, 0x75, 0xA8, 0x89}};

// ---- event codes ----
constexpr long EC_COMPLETE = 0x01;
constexpr long EC_USERABORT = 0x02;
constexpr long EC_ERRORABORT = 0x03;
constexpr long EC_DEVICE_LOST = 0x1F; // 31: param2 0 = removed, non-zero = back

// ---- graph status codes ----
constexpr HRESULT VFW_E_NOT_CONNECTED = MakeHr(0x80040209);
constexpr HRESULT VFW_E_CANNOT_RENDER = MakeHr(0x80040218);
constexpr HRESULT VFW_E_ALREADY_CONNECTED = MakeHr(0x80040204);
constexpr HRESULT VFW_E_NOT_IN_GRAPH = MakeHr(0x8004025F);
constexpr HRESULT VFW_E_DUPLICATE_NAME = MakeHr(0x8004023A);
constexpr HRESULT VFW_E_WRONG_STATE = MakeHr(0x80040227);
constexpr HRESULT VFW_E_NO_CAPTURE_HARDWARE = MakeHr(0x80040250);
constexpr HRESULT E_DEVICE_GONE = MakeHr(0x80040256);
constexpr HRESULT VFW_E_FILE_ERROR = MakeHr(0x8004022D);

enum PIN_DIRECTION { PINDIR_INPUT = 0, PINDIR_OUTPUT = 1 };

struct IBaseFilter;
struct IPin;
struct IEnumPins;

struct PIN_INFO {
    IBaseFilter *pFilter = nullptr; // holds a reference the caller releases
    PIN_DIRECTION dir = PINDIR_INPUT;
    std::string achName;
};

struct IPin : IUnknown {
    static constexpr IID iid = {0x12de1b14, 0x1e46, 0x4d33, {0x8f, 0x40, 0x5a, 0x72, 0xfa, 0x65, 0xe0, 0x44}};
    virtual HRESULT QueryDirection(PIN_DIRECTION *dir) = 0;
    virtual HRESULT QueryPinInfo(PIN_INFO *info) = 0;
    // The pin this one is linked to, with a reference; VFW_E_NOT_CONNECTED when none.
    virtual HRESULT ConnectedTo(IPin **pin) = 0;
};

struct IEnumPins : IUnknown {
    static constexpr IID iid = {0xa7be5455, 0x0ecc, 0x4314, {0xa8, 0xa8, 0x26, 0xc9, 0x87, 0x83, 0x5a, 0x6b}};
    // S_OK when `count` pins were returned, S_FALSE when fewer (the end).
    virtual HRESULT Next(ULONG count, IPin **pins, ULONG *fetched) = 0;
    virtual HRESULT Reset() = 0;
};

struct IFilterGraph;

struct IBaseFilter : IUnknown {
    static constexpr IID iid = {0x2277e17d, 0x848e, 0x4dec, {0xb1, 0xc5, 0xd6, 0x98, 0x37, 0x89, 0x52, 0x99}};
    virtual HRESULT EnumPins(IEnumPins **pins) = 0;
    // Called by the graph when the filter is added (graph set) or removed
    // (graph null). The filter must not keep a reference to the graph.
    virtual HRESULT JoinFilterGraph(IFilterGraph *graph, const char *name) = 0;
};

struct IFilterGraph : IUnknown {
    static constexpr IID iid = {0x05f580a9, 0x297d, 0x4a85, {0xbf, 0xc0, 0x5e, 0x71, 0x73, 0x9a, 0xc2, 0x88}};
    virtual HRESULT AddFilter(IBaseFilter *filter, const char *name) = 0;
    // Disconnects the filter's pins, then takes it out of the graph.
    virtual HRESULT RemoveFilter(IBaseFilter *filter) = 0;
};

struct IGraphBuilder : IFilterGraph {
    static constexpr IID iid = {0x3e4711c5, 0xbd41, 0x4757, {0x9e, 0xa5, 0xa6, 0xbd, 0x28, 0x3c, 0x8a, 0xf3}};
    // Completes the path from an output pin through the filters already in
    // the graph, down to filters without output pins.
    virtual HRESULT Render(IPin *pin) = 0;
};

struct IMediaControl : IUnknown {
    static constexpr IID iid = {0xdb6cd3bb, 0x7107, 0x448c, {0xb1, 0x0d, 0x40, 0x6c, 0x1b, 0xd7, 0x42, 0x1a}};
    virtual HRESULT Run() = 0;
    virtual HRESULT Pause() = 0;
    // Both end the stream and wait, bounded, until every file is finished.
    virtual HRESULT Stop() = 0;
    virtual HRESULT StopWhenReady() = 0;
};

struct IMediaEventEx : IUnknown {
    static constexpr IID iid = {0x409c7236, 0x3ee4, 0x4d38, {0x80, 0xeb, 0x63, 0xc0, 0xea, 0x3a, 0x54, 0x70}};
    // E_ABORT when no event arrives within msTimeout (0: do not wait).
    virtual HRESULT GetEvent(long *code, LONG_PTR *param1, LONG_PTR *param2, long msTimeout) = 0;
    virtual HRESULT FreeEventParams(long code, LONG_PTR param1, LONG_PTR param2) = 0;
    // Posts `msg` (wParam 0, lParam `instance`) to the window for every event
    // queued from now on; a null window stops the posting.
    virtual HRESULT SetNotifyWindow(HWND hwnd, long msg, LONG_PTR instance) = 0;
};

// How filters report to the graph they joined (device loss, errors).
struct IMediaEventSink : IUnknown {
    static constexpr IID iid = {0x8a7b015c, 0xae04, 0x48b7, {0xb8, 0x32, 0xa5, 0x2e, 0x88, 0xf9, 0x9a, 0x42}};
    virtual HRESULT Notify(long code, LONG_PTR param1, LONG_PTR param2) = 0;
};

struct ICaptureGraphBuilder2 : IUnknown {
    static constexpr IID iid = {0x3aa3c5a0, 0xac1b, 0x43e3, {0xb4, 0x31, 0x58, 0x20, 0x05, 0xaa, 0x13, 0x90}};
    virtual HRESULT SetFiltergraph(IGraphBuilder *graph) = 0;
};

// ---- device catalogue ----
enum VARTYPE_ : unsigned short { VT_EMPTY = 0, VT_BSTR = 8 };
struct VARIANT {
    unsigned short vt = VT_EMPTY;
    std::string bstrVal;
};
inline void VariantInit(VARIANT *v)
{
    *v = VARIANT{};
}
inline void VariantClear(VARIANT *v)
{
    *v = VARIANT{};
}

struct IPropertyBag : IUnknown {
    static constexpr IID iid = {0x811c0298, 0x6e8b, 0x4b7d, {0x86, 0x64, 0x7a, 0x6f, 0x8e, 0x97, 0xfa, 0x58}};
    virtual HRESULT Read(const char *name, VARIANT *value, void *errorLog) = 0;
};

struct IMoniker : IUnknown {
    static constexpr IID iid = {0x587fa045, 0x7eb9, 0x40e6, {0xbb, 0x94, 0x06, 0xea, 0x71, 0x9b, 0xd7, 0x62}};
    virtual HRESULT BindToStorage(void *bindCtx, IMoniker *left, REFIID riid, void **ppv) = 0;
    virtual HRESULT BindToObject(void *bindCtx, IMoniker *left, REFIID riid, void **ppv) = 0;
};

struct IEnumMoniker : IUnknown {
    static constexpr IID iid = {0x1281ac4b, 0x58ee, 0x4471, {0x91, 0x58, 0xe0, 0xdb, 0x4c, 0x4c, 0xdf, 0x9c}};
    virtual HRESULT Next(ULONG count, IMoniker **monikers, ULONG *fetched) = 0;
    virtual HRESULT Reset() = 0;
};

struct ICreateDevEnum : IUnknown {
    static constexpr IID iid = {0x71c21171, 0xb2ba, 0x4dd4, {0xbd, 0x39, 0x3b, 0xf6, 0x48, 0xf6, 0x38, 0x7c}};
    // S_FALSE with a null enumerator when the category has no device.
    virtual HRESULT CreateClassEnumerator(REFCLSID category, IEnumMoniker **enumerator, DWORD flags) = 0;
};

// ---- input lines and file sink ----
struct IAMAudioInputMixer : IUnknown {
    static constexpr IID iid = {0x9f36947a, 0x0d6b, 0x44cc, {0x8e, 0xb5, 0x90, 0xe9, 0x03, 0x1c, 0x5e, 0x8f}};
    virtual HRESULT put_Enable(BOOL enable) = 0;
    virtual HRESULT get_Enable(BOOL *enable) = 0;
    virtual HRESULT put_MixLevel(double level) = 0; // 0.0 .. 1.0
    virtual HRESULT get_MixLevel(double *level) = 0;
};

constexpr DWORD AM_FILE_OVERWRITE = 0x1;

struct IFileSinkFilter2 : IUnknown {
    static constexpr IID iid = {0xaa0ce383, 0x1857, 0x4362, {0x95, 0x25, 0x2f, 0x6c, 0x3c, 0xb0, 0xc5, 0x1e}};
    virtual HRESULT SetFileName(const char *fileName, const void *mediaType) = 0;
    virtual HRESULT SetMode(DWORD flags) = 0;
};

inline constexpr IID IID_IPin = IPin::iid;
inline constexpr IID IID_IEnumPins = IEnumPins::iid;
inline constexpr IID IID_IBaseFilter = IBaseFilter::iid;
inline constexpr IID IID_IFilterGraph = IFilterGraph::iid;
inline constexpr IID IID_IGraphBuilder = IGraphBuilder::iid;
inline constexpr IID IID_IMediaControl = IMediaControl::iid;
inline constexpr IID IID_IMediaEventEx = IMediaEventEx::iid;
inline constexpr IID IID_IMediaEventSink = IMediaEventSink::iid;
inline constexpr IID IID_ICaptureGraphBuilder2 = ICaptureGraphBuilder2::iid;
inline constexpr IID IID_IPropertyBag = IPropertyBag::iid;
inline constexpr IID IID_IMoniker = IMoniker::iid;
inline constexpr IID IID_IEnumMoniker = IEnumMoniker::iid;
inline constexpr IID IID_ICreateDevEnum = ICreateDevEnum::iid;
inline constexpr IID IID_IAMAudioInputMixer = IAMAudioInputMixer::iid;
inline constexpr IID IID_IFileSinkFilter2 = IFileSinkFilter2::iid;

// Registers the real graph, capture graph builder, device enumerator and
// File Writer in the class table.
void RegisterMediaClasses();
