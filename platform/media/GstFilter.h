// What the graph needs of its filters beyond the public interfaces: each
// filter is one GstBin whose pins are ghost pads of that bin. Shared by the
// program and by separately installed filter modules.
#pragma once

#include "platform/media/Interfaces.h"

#include <gst/gst.h>

#include <memory>
#include <string>
#include <vector>

struct IGstFilter : IUnknown {
    static constexpr IID iid = {0x926a7f89, 0xda46, 0x43b7, {0x9e, 0xd5, 0x2f, 0x29, 0x1c, 0xc7, 0x88, 0xe1}};
    // The filter's bin; the filter owns it. The graph adds it to its
    // pipeline on AddFilter and takes it out again on RemoveFilter.
    virtual GstElement *Element() = 0;
};

struct IGstPin : IUnknown {
    static constexpr IID iid = {0xfa85ecd7, 0x3775, 0x46b8, {0x84, 0xc7, 0xa0, 0x2d, 0x81, 0x18, 0xbd, 0x4f}};
    // The pin's pad (a ghost pad of the filter's bin), owned by the pin's filter.
    virtual GstPad *Pad() = 0;
    // The graph records links here; null when unlinked. Not a reference.
    virtual void SetConnectedPin(IPin *peer) = 0;
};

// A pin that lives inside its filter: its reference count is the filter's,
// so a pin handed out keeps its whole filter alive.
class GstPin : public IPin, public IGstPin {
public:
    GstPin(IBaseFilter *owner, PIN_DIRECTION dir, std::string name, GstPad *pad);
    virtual ~GstPin();
    GstPin(const GstPin &) = delete;
    GstPin &operator=(const GstPin &) = delete;

    HRESULT QueryInterface(REFIID riid, void **ppv) override;
    ULONG AddRef() override;
    ULONG Release() override;

    HRESULT QueryDirection(PIN_DIRECTION *dir) override;
    HRESULT QueryPinInfo(PIN_INFO *info) override;
    HRESULT ConnectedTo(IPin **pin) override;

    GstPad *Pad() override { return m_pad; }
    void SetConnectedPin(IPin *peer) override { m_peer = peer; }

    const std::string &Name() const { return m_name; }

protected:
    // For interfaces a subclass adds (the reference is taken by the caller).
    virtual void *FindExtraInterface(REFIID) { return nullptr; }

private:
    IBaseFilter *m_owner;
    PIN_DIRECTION m_dir;
    std::string m_name;
    GstPad *m_pad; // own reference
    IPin *m_peer = nullptr;
};

// The filter's pins of one direction, in enumeration order (none for a null filter).
std::vector<ComPtr<IPin>> PinsOf(IBaseFilter *filter, PIN_DIRECTION wanted);

// Enumerates a fixed list of pins.
HRESULT CreatePinEnumerator(const std::vector<IPin *> &pins, IEnumPins **out);

// Makes a ghost pad named `name` on `bin` for `target` and returns it (owned by the bin).
GstPad *AddGhostPad(GstElement *bin, const char *name, GstPad *target);

// Owns one reference to a GstObject (element, pad, bus).
struct GstObjectUnref {
    void operator()(gpointer object) const
    {
        if (object)
            gst_object_unref(object);
    }
};
template <class T> using GstObjectPtr = std::unique_ptr<T, GstObjectUnref>;

// Makes an element of `factory` inside `bin`; null (and a warning) when the
// plugin that provides it is missing.
GstElement *AddElement(GstElement *bin, const char *factory);

// Base for filters made of one bin with a fixed set of pins, created by the
// subclass's constructor with AddPin. The filter holds no reference to the
// graph it joined (the graph holds the filter).
template <class... Extra> class BinFilter : public ComObject<IBaseFilter, IGstFilter, Extra...> {
public:
    GstElement *Element() override { return m_bin; }
    HRESULT EnumPins(IEnumPins **pins) override
    {
        std::vector<IPin *> list;
        for (const auto &pin : m_pins)
            list.push_back(pin.get());
        return CreatePinEnumerator(list, pins);
    }
    HRESULT JoinFilterGraph(IFilterGraph *graph, const char *) override
    {
        m_graph = graph;
        return S_OK;
    }

protected:
    BinFilter() : BinFilter(gst_bin_new(nullptr)) {}
    // For a filter whose bin is of its own kind of GstBin.
    explicit BinFilter(GstElement *bin) : m_bin(GST_ELEMENT(gst_object_ref_sink(bin))) {}
    ~BinFilter() override
    {
        m_pins.clear();
        gst_element_set_state(m_bin, GST_STATE_NULL);
        gst_object_unref(m_bin);
    }
    // A pin for a pad of an element inside the bin.
    GstPin *AddPin(PIN_DIRECTION dir, const char *name, GstPad *target)
    {
        GstPad *ghost = AddGhostPad(m_bin, name, target);
        m_pins.push_back(std::make_unique<GstPin>(static_cast<IBaseFilter *>(this), dir, name, ghost));
        return m_pins.back().get();
    }
    IFilterGraph *Graph() const { return m_graph; }
    GstBin *Bin() const { return GST_BIN(m_bin); }

private:
    GstElement *m_bin;
    std::vector<std::unique_ptr<GstPin>> m_pins;
    IFilterGraph *m_graph = nullptr;
};
