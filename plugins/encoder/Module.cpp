// Entry point of the encoder module, found by the program through
// wavdest.module.
#include "WavDest.h"

#include "platform/ModuleRegistry.h"

extern "C" HRESULT TombrelloModuleCreate(REFCLSID clsid, REFIID riid, void **ppv);

extern "C" __attribute__((visibility("default"))) HRESULT TombrelloModuleCreate(REFCLSID clsid, REFIID riid, void **ppv)
{
    if (!ppv)
        return E_POINTER;
    *ppv = nullptr;
    if (!(clsid == CLSID_EncoderFilter))
        return REGDB_E_CLASSNOTREG;
    return CreateWavDest(riid, ppv);
}
