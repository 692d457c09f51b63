// Verification of submitted recordings, each in a child process of its own, at most one per
// core at a time, behind a queue of bounded length.
#pragma once

#include "app/verify.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>

struct VerifierSettings {
    int workers = 1;           // children at a time: one per core
    size_t queueLength = 16;   // recordings waiting for a worker
    int cpuSeconds = 5;        // CPU time of one verification
    size_t memoryBytes = size_t(512) << 20;  // address space a child may add
    RunVerdict (*judge)(const std::string& recording) = nullptr;  // what the child runs
};

struct VerifierPool;
std::unique_ptr<VerifierPool, void (*)(VerifierPool*)> StartVerifiers(const VerifierSettings& settings);

// Waits for the verdict on a recording. Nothing when the queue is full (the caller answers 503).
// A child that crashes, runs out of time or memory gives a refusal, never a server failure.
std::optional<RunVerdict> Verify(VerifierPool& pool, const std::string& recording);

// One verification in a forked child with the settings above, waited for in this thread.
RunVerdict VerifyInChild(const std::string& recording, const VerifierSettings& settings);
