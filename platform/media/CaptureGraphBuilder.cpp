#include "platform/media/FilterGraph.h"

namespace {
// The program only hands the graph over; every connection is made by the
// graph's own Render, so nothing else is needed here.
class CaptureGraphBuilder final : public ComObject<ICaptureGraphBuilder2> {
public:
    HRESULT SetFiltergraph(IGraphBuilder *graph) override
    {
        if (!graph)
            return E_POINTER;
        m_graph = MakeRef(graph);
        return S_OK;
    }

private:
    ComPtr<IGraphBuilder> m_graph;
};
} // namespace

HRESULT CreateCaptureGraphBuilder(REFIID riid, void **ppv)
{
    return CreateComObject<CaptureGraphBuilder>(riid, ppv);
}
