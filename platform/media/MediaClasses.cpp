#include "platform/media/FileWriter.h"
#include "platform/media/FilterGraph.h"
#include "platform/media/Interfaces.h"
#include "platform/pulse/PulseClasses.h"

void RegisterMediaClasses()
{
    CoRegisterClass(CLSID_FilterGraph, CreateFilterGraph);
    CoRegisterClass(CLSID_CaptureGraphBuilder2, CreateCaptureGraphBuilder);
    CoRegisterClass(CLSID_FileWriter, CreateFileWriter);
    RegisterPulseClasses();
}
