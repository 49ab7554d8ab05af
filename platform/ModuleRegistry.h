// Separately installed modules: a registration file names a class and the
// shared library that creates it. The library exports one factory,
// TombrelloModuleCreate (see ModuleFactory below).
#pragma once

#include "platform/Com.h"

#include <string>
#include <vector>

extern "C" {
using ModuleFactory = HRESULT (*)(REFCLSID clsid, REFIID riid, void **ppv);
}
inline constexpr const char *kModuleFactorySymbol = "TombrelloModuleCreate";

// Folders searched for "*.module" files: TOMBRELLO_MODULE_PATH (colon
// separated) when set, else "modules" beside the executable and the
// installed data folder's "modules".
std::vector<std::string> ModuleSearchPath();

// Creates an object of a registered module class; REGDB_E_CLASSNOTREG when no
// registration names the class or its library cannot be loaded.
HRESULT CreateFromModule(REFCLSID clsid, REFIID riid, void **ppv);
