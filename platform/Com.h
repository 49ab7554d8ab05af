// Minimal COM-style object model: status codes, GUIDs, reference counting
// and a class table behind CoCreateInstance. Values follow COM's so that
// codes read the same in logs as on the platform the program came from.
#pragma once

#include <atomic>
#include <cstdint>
#include <cstring>
#include <functional>
#include <string>
#include <tuple>
#include <utility>

using HRESULT = std::int32_t;
using ULONG = std::uint32_t;
using LONG = std::int32_t;
using LONG_PTR = std::intptr_t;
using BOOL = int;
using DWORD = std::uint32_t;

constexpr BOOL TRUE = 1;
constexpr BOOL FALSE = 0;

constexpr HRESULT MakeHr(std::uint32_t v)
{
    return static_cast<HRESULT>(v);
}

constexpr HRESULT S_OK = 0;
constexpr HRESULT S_FALSE = 1;
constexpr HRESULT E_NOTIMPL = MakeHr(0x80004001);
constexpr HRESULT E_NOINTERFACE = MakeHr(0x80004002);
constexpr HRESULT E_POINTER = MakeHr(0x80004003);
constexpr HRESULT E_FAIL = MakeHr(0x80004005);
constexpr HRESULT E_UNEXPECTED = MakeHr(0x8000FFFF);
constexpr HRESULT E_OUTOFMEMORY = MakeHr(0x8007000E);
constexpr HRESULT E_INVALIDARG = MakeHr(0x80070057);
constexpr HRESULT E_ABORT = MakeHr(0x80004004);
constexpr HRESULT REGDB_E_CLASSNOTREG = MakeHr(0x80040154);
constexpr HRESULT CLASS_E_NOAGGREGATION = MakeHr(0x80040110);

constexpr bool SUCCEEDED(HRESULT hr)
{
    return hr >= 0;
}
constexpr bool FAILED(HRESULT hr)
{
    return hr < 0;
}

struct GUID {
    std::uint32_t Data1;
    std::uint16_t Data2;
    std::uint16_t Data3;
    std::uint8_t Data4[8];

    friend bool operator==(const GUID &a, const GUID &b) { return std::memcmp(&a, &b, sizeof(GUID)) == 0; }
};
using IID = GUID;
using CLSID = GUID;
using REFIID = const IID &;
using REFCLSID = const CLSID &;

// "{3C78B8E2-6C4D-11D1-ADE2-0000F875A889}" form.
std::string GuidToString(const GUID &g);
bool GuidFromString(const std::string &text, GUID *out);

struct IUnknown {
    static constexpr IID iid = {0x00000000, 0x0000, 0x0000, {0xC0, 0, 0, 0, 0, 0, 0, 0x46}};
    virtual HRESULT QueryInterface(REFIID riid, void **ppv) = 0;
    virtual ULONG AddRef() = 0;
    virtual ULONG Release() = 0;

protected:
    virtual ~IUnknown() = default;
};
inline constexpr IID IID_IUnknown = IUnknown::iid;

// Reference counting and QueryInterface for a class implementing the
// listed interfaces (each declares a static `iid`).
template <class... Interfaces> class ComObject : public Interfaces... {
public:
    ComObject() = default;
    ComObject(const ComObject &) = delete;
    ComObject &operator=(const ComObject &) = delete;

    ULONG AddRef() override { return ++m_refs; }
    ULONG Release() override
    {
        const ULONG left = --m_refs;
        if (left == 0)
            delete this;
        return left;
    }
    HRESULT QueryInterface(REFIID riid, void **ppv) override
    {
        if (!ppv)
            return E_POINTER;
        *ppv = nullptr;
        if (riid == IID_IUnknown)
            *ppv = static_cast<IUnknown *>(static_cast<std::tuple_element_t<0, std::tuple<Interfaces...>> *>(this));
        else
            (void)((riid == Interfaces::iid ? (*ppv = static_cast<Interfaces *>(this), true) : false) || ...);
        if (!*ppv)
            return QueryExtraInterface(riid, ppv);
        AddRef();
        return S_OK;
    }

protected:
    ~ComObject() override = default;
    // Lets a class answer for interfaces it does not inherit (for example an
    // inner object); the returned pointer must already hold a reference.
    virtual HRESULT QueryExtraInterface(REFIID, void **) { return E_NOINTERFACE; }

private:
    std::atomic<ULONG> m_refs{1};
};

// Owning interface pointer. Release() is safe to call any number of times:
// it releases what is held, once, and leaves the pointer null.
template <class T> class ComPtr {
public:
    ComPtr() = default;
    ComPtr(std::nullptr_t) {}
    // Takes over a reference the caller already holds.
    static ComPtr Attach(T *p)
    {
        ComPtr c;
        c.m_p = p;
        return c;
    }
    ComPtr(const ComPtr &o) : m_p(o.m_p)
    {
        if (m_p)
            m_p->AddRef();
    }
    ComPtr(ComPtr &&o) noexcept : m_p(std::exchange(o.m_p, nullptr)) {}
    ComPtr &operator=(ComPtr o) noexcept
    {
        std::swap(m_p, o.m_p);
        return *this;
    }
    ~ComPtr() { Release(); }

    void Release()
    {
        if (T *p = std::exchange(m_p, nullptr))
            p->Release();
    }
    T *Detach() { return std::exchange(m_p, nullptr); }
    T *get() const { return m_p; }
    T *operator->() const { return m_p; }
    explicit operator bool() const { return m_p != nullptr; }

    // Out-parameter for calls that hand back a new reference; what was held
    // before is released first.
    T **put()
    {
        Release();
        return &m_p;
    }
    void **put_void() { return reinterpret_cast<void **>(put()); }

    template <class U> HRESULT As(ComPtr<U> *out) const
    {
        if (!m_p)
            return E_POINTER;
        return m_p->QueryInterface(U::iid, out->put_void());
    }

private:
    T *m_p = nullptr;
};

template <class T> ComPtr<T> MakeRef(T *p)
{
    if (p)
        p->AddRef();
    return ComPtr<T>::Attach(p);
}

// Class contexts are accepted and ignored: every class is in process.
constexpr DWORD CLSCTX_INPROC_SERVER = 0x1;
constexpr DWORD CLSCTX_INPROC_HANDLER = 0x2;
constexpr DWORD CLSCTX_INPROC = CLSCTX_INPROC_SERVER | CLSCTX_INPROC_HANDLER;

// A factory creates one new object and answers `riid` from it.
using ClassFactory = std::function<HRESULT(REFIID riid, void **ppv)>;

// The class table. Registering a class again replaces its factory; an empty
// factory removes it. Classes not in the table are looked up in the module
// registrations (see ModuleRegistry.h).
void CoRegisterClass(REFCLSID clsid, ClassFactory factory);
HRESULT CoCreateInstance(REFCLSID clsid, IUnknown *outer, DWORD clsctx, REFIID riid, void **ppv);

template <class T> HRESULT CoCreateInstance(REFCLSID clsid, ComPtr<T> *out)
{
    return CoCreateInstance(clsid, nullptr, CLSCTX_INPROC, T::iid, out->put_void());
}

// Apartment calls kept for the shape of start-up and close; the object model
// has no apartments, so they only count nesting.
constexpr DWORD COINIT_APARTMENTTHREADED = 0x2;
HRESULT CoInitializeEx(void *reserved, DWORD flags);
void CoUninitialize();
int CoInitializeDepth();

// Creates an object of class Impl and answers riid from it.
template <class Impl, class... Args> HRESULT CreateComObject(REFIID riid, void **ppv, Args &&...args)
{
    auto *obj = new Impl(std::forward<Args>(args)...);
    const HRESULT hr = obj->QueryInterface(riid, ppv);
    obj->Release();
    return hr;
}
