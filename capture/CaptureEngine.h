// Free functions of the capture engine: pins, device list, input lines and
// the debug trace of graph creation.
#pragma once

#include "platform/media/Interfaces.h"

class QComboBox;

// The n-th pin of one direction, counted from 0 in enumeration order; on
// success *pin holds a reference the caller releases.
HRESULT GetNthPin(IBaseFilter *filter, PIN_DIRECTION dir, int index, IPin **pin);

// Fills the device list from the enumerator (null: "<< No entries >>" and
// S_FALSE). Each entry owns one reference to its moniker, kept as item data.
HRESULT AddDevicesToList(IEnumMoniker *enumerator, QComboBox *list);
// Releases every entry's moniker, then empties the list.
void ReleaseDeviceList(QComboBox *list);
// The moniker an entry holds (no reference added); null for none.
IMoniker *DeviceMonikerAt(QComboBox *list, int index);

// Lists the filter's pins of one direction by name and, while the search
// flag is 0, picks the first line whose name holds a stereo-mix keyword.
HRESULT ListInputLines(IBaseFilter *filter, PIN_DIRECTION dir, QComboBox *list);

// A debug log line, at most 1023 characters.
void TraceDebug(const char *format, ...) __attribute__((format(printf, 1, 2)));
