#include "GraphFixture.h"

#include "framework/interfaces/MediaGuids.h"
#include "runtime/ClassTable.h"

void GraphFixture::SetUp() {
    ASSERT_EQ(S_OK, CoCreateInstance(CLSID_FilterGraph, nullptr, CLSCTX_INPROC_SERVER,
                                     IID_PPV_ARGS(graph.put())));
    ASSERT_EQ(S_OK, graph.As(control));
    ASSERT_EQ(S_OK, graph.As(events));
}

void GraphFixture::TearDown() {
    if (control) (void)control->Stop();
    while (events) {
        const Event left = TakeEvent(0);
        if (left.code == 0) break;
        (void)events->FreeEventParams(left.code, left.param1, left.param2);
    }
    // While the test's own members (what the filters log into) are still there.
    events = nullptr;
    control = nullptr;
    graph = nullptr;
}

GraphFixture::Event GraphFixture::TakeEvent(int milliseconds) {
    Event event;
    if (events->GetEvent(&event.code, &event.param1, &event.param2, milliseconds) != S_OK)
        return {};
    return event;
}

LONG GraphFixture::NextEvent(int milliseconds, LONG_PTR* param1) {
    const Event event = TakeEvent(milliseconds);
    if (event.code == 0) return 0;
    if (param1) *param1 = event.param1;
    (void)events->FreeEventParams(event.code, event.param1, event.param2);
    return event.code;
}
