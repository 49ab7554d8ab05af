// The filter graph manager and the capture graph builder behind the class
// table (see RegisterMediaClasses).
#pragma once

#include "platform/media/Interfaces.h"

// A new graph: one GStreamer pipeline holding the bins of the filters added
// to it. Answers IGraphBuilder, IFilterGraph, IMediaControl, IMediaEventEx and
// IMediaEventSink. Must be created and used on the UI thread: the pipeline's
// messages are read from Qt's event loop.
HRESULT CreateFilterGraph(REFIID riid, void **ppv);

// A new capture graph builder; it only keeps the graph given to it.
HRESULT CreateCaptureGraphBuilder(REFIID riid, void **ppv);
