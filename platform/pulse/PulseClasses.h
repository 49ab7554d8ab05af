#pragma once

// Registers the system device enumerator (CLSID_SystemDeviceEnum) that lists
// the sound server's capture devices.
void RegisterPulseClasses();
