// Verification of submitted recordings, each in a child process of its own, at most one per
// core at a time, behind a queue of bounded length.
#pragma once

#include "app/verify.h"

#include <cstddef>
#include <memory>
#include <optional>
#include <string>
#include <vector>

struct VerifierSettings {
    int workers = 1;           // children at a time: one per core
    size_t queueLength = 16;   // recordings waiting for a worker
    int cpuSeconds = 5;        // CPU time of one verification
    size_t memoryBytes = size_t(512) << 20;  // address space of a child
    // The program a child runs, with its arguments: it reads a recording on its standard input
    // and writes its verdict with VerifierChildMain. The server runs itself with --verify-child.
    std::vector<std::string> command;
};

struct VerifierPool;
std::unique_ptr<VerifierPool, void (*)(VerifierPool*)> StartVerifiers(const VerifierSettings& settings);

// Waits for the verdict on a recording. Nothing when the queue is full (the caller answers 503).
// A child that crashes, runs out of time or memory gives a refusal, never a server failure.
std::optional<RunVerdict> Verify(VerifierPool& pool, const std::string& recording);

// One verification in a child process with the settings above, waited for in this thread.
RunVerdict VerifyInChild(const std::string& recording, const VerifierSettings& settings);

// The child's side: judges the recording on standard input and writes the verdict to standard
// output. Returns the exit status.
int VerifierChildMain(RunVerdict (*judge)(const std::string& recording));
