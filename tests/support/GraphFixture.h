#pragma once
// A test on the platform's filter graph manager: SetUp makes a graph and takes its control
// and event interfaces; TearDown stops the graph, frees the events still queued (so that
// nothing an event holds, a filter's count, outlives the test) and lets the graph go.
#include "framework/interfaces/Control.h"
#include "runtime/ComPtr.h"

#include <gtest/gtest.h>

class GraphFixture : public ::testing::Test {
protected:
    struct Event {
        LONG code = 0; // 0: none came
        LONG_PTR param1 = 0, param2 = 0;
    };

    void SetUp() override;
    void TearDown() override;

    // The next event within the time, its parameters still to be freed by the caller.
    Event TakeEvent(int milliseconds);
    // The next event's code within the time (0: none came), its parameters freed; param1 gets
    // the first one (an error code, or the filter whose count was given back).
    LONG NextEvent(int milliseconds, LONG_PTR* param1 = nullptr);

    ComPtr<IGraphBuilder> graph;
    ComPtr<IMediaControl> control;
    ComPtr<IMediaEventEx> events;
};
