// The File Writer filter: one input pin "in" whose byte stream goes to the
// file named with IFileSinkFilter2::SetFileName.
#pragma once

#include "platform/media/Interfaces.h"

HRESULT CreateFileWriter(REFIID riid, void **ppv);
