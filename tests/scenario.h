// Running the whole program on a script and keeping what each frame showed.
#pragma once

#include <string>
#include <vector>

#include "flow/flow.h"
#include "game/world.h"
#include "platform/headless/headless.h"
#include "platform/platform.h"
#include "tests/test_support.h"

struct FrameRecord {
    int frame;
    uint32_t tick;
    int32_t gameState;
    int32_t stripLeft, infoLeft;
    int32_t levelIntroPhase;
    bool paused;
    ShipKind shipKind;
};

struct ScenarioRun {
    int status = 0;
    std::vector<FrameRecord> frames;
    std::string sounds;
    std::string trace;
    std::string error;

    // Index of the first frame showing the state, or -1.
    int FirstFrameIn(int32_t state) const {
        for (size_t i = 0; i < frames.size(); ++i)
            if (frames[i].gameState == state) return int(i);
        return -1;
    }
};

inline ScenarioRun RunScenario(const std::string& script, bool withTrace = false) {
    ScenarioRun run;
    HeadlessOptions options;
    options.sounds = &run.sounds;
    options.error = &run.error;
    if (withTrace) options.trace = &run.trace;
    options.onFrame = [&run] {
        run.frames.push_back({HeadlessFramesPresented(), CurrentTicks(), gameState,
                              shipSelect.stripSource.left, shipSelect.infoSource.left,
                              world.levelIntroPhase, world.paused, world.shipKind});
    };
    run.status = RunHeadlessScript(script, options);
    return run;
}
