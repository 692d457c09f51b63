// Verification of submitted recordings in child processes. The replay runs the whole game on
// its program-wide records, so each verification gets a process of its own, limited in CPU time
// and memory, that reads the recording on its standard input, writes its verdict to a pipe and
// exits. The child is a fresh program (the server started again with --verify-child), not a bare
// fork: the server has threads, and a fork could find a lock (the allocator's, the loader's)
// taken by one of them for good.
#include "server/verifier.h"

#include <condition_variable>
#include <deque>
#include <future>
#include <mutex>
#include <thread>
#include <vector>

#include <fcntl.h>
#include <sys/mman.h>
#include <poll.h>
#include <signal.h>
#include <sys/resource.h>
#include <sys/wait.h>
#include <unistd.h>

// AddressSanitizer reserves terabytes of address space for itself: no limit can sit above that.
#if defined(__SANITIZE_ADDRESS__)
constexpr bool LIMIT_ADDRESS_SPACE = false;
#else
constexpr bool LIMIT_ADDRESS_SPACE = true;
#endif

struct VerifierJob {
    const std::string* recording;
    std::promise<RunVerdict> verdict;
};

struct VerifierPool {
    VerifierSettings settings;
    std::mutex lock;
    std::condition_variable waiting;
    std::deque<VerifierJob*> queue;
    bool stopping = false;
    std::vector<std::thread> workers;
};

// The verdict crosses the pipe as lines: valid, numbers, the name in hex, the reason.
static std::string EncodeVerdict(const RunVerdict& verdict) {
    static const char hex[] = "0123456789abcdef";
    std::string name;
    for (const char c : verdict.name) {
        name += hex[uint8_t(c) >> 4];
        name += hex[uint8_t(c) & 15];
    }
    return std::to_string(verdict.valid) + ' ' + std::to_string(verdict.score) + ' ' +
           std::to_string(verdict.level) + ' ' + std::to_string(verdict.kills) + ' ' +
           std::to_string(verdict.frames) + ' ' + std::to_string(verdict.rulesVersion) + " x" +
           name + '\n' + verdict.reason.substr(0, 200) + '\n';
}

static bool DecodeVerdict(const std::string& text, RunVerdict* verdict) {
    int valid = 0;
    char name[64] = {0};
    unsigned frames = 0, rules = 0;
    int used = 0;
    if (std::sscanf(text.c_str(), "%d %d %d %d %u %u x%40[0-9a-f]%n", &valid, &verdict->score,
                    &verdict->level, &verdict->kills, &frames, &rules, name, &used) < 6)
        return false;
    verdict->valid = valid == 1;
    verdict->frames = frames;
    verdict->rulesVersion = rules;
    verdict->name.clear();
    for (size_t i = 0; name[i] && name[i + 1]; i += 2)
        verdict->name += char(std::stoi(std::string(name + i, 2), nullptr, 16));
    const size_t line = text.find('\n');
    if (line == std::string::npos) return false;
    verdict->reason = text.substr(line + 1);
    if (!verdict->reason.empty() && verdict->reason.back() == '\n') verdict->reason.pop_back();
    return true;
}

static void WriteAll(int fd, const std::string& bytes) {
    for (size_t done = 0; done < bytes.size();) {
        const ssize_t wrote = write(fd, bytes.data() + done, bytes.size() - done);
        if (wrote <= 0 && errno != EINTR) return;
        if (wrote > 0) done += size_t(wrote);
    }
}

// Between the fork and the exec only calls that take no lock: the child keeps its recording,
// the pipe and nothing else of the server's (no client connection stays open because a
// verification holds a copy of it).
[[noreturn]] static void StartChild(int recording, int out, char* const* argv, const rlimit& cpu,
                                    const rlimit* space) {
    // The server blocks its stop signals in every thread; the replay must die of its limits.
    sigset_t none;
    sigemptyset(&none);
    sigprocmask(SIG_SETMASK, &none, nullptr);
    dup2(recording, 0);
    dup2(out, 1);
    const int null = open("/dev/null", O_WRONLY);
    if (null >= 0) dup2(null, 2);
    close_range(3, ~0U, 0);
    setrlimit(RLIMIT_CPU, &cpu);
    if (space) setrlimit(RLIMIT_AS, space);
    execv(argv[0], argv);
    _exit(127);
}

// Reads the child's answer until it closes the pipe or the wall-clock deadline passes.
static bool ReadAnswer(int in, int seconds, std::string* answer) {
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    char buffer[512];
    for (;;) {
        const auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
            deadline - std::chrono::steady_clock::now()).count();
        if (left <= 0) return false;
        pollfd wait = {in, POLLIN, 0};
        const int ready = poll(&wait, 1, int(left));
        if (ready < 0 && errno == EINTR) continue;
        if (ready <= 0) return false;
        const ssize_t got = read(in, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) return true;
        if (answer->size() < 4096) answer->append(buffer, size_t(got));
    }
}

static RunVerdict Refusal(const std::string& reason) {
    RunVerdict verdict;
    verdict.reason = reason;
    return verdict;
}

RunVerdict VerifyInChild(const std::string& recording, const VerifierSettings& settings) {
    if (settings.command.empty()) return Refusal("the server could not start a replay");
    // The recording waits in memory, read from the start by the child.
    const int input = memfd_create("recording", MFD_CLOEXEC);
    if (input < 0) return Refusal("the server could not start a replay");
    WriteAll(input, recording);
    lseek(input, 0, SEEK_SET);
    int pipeEnds[2];
    if (pipe2(pipeEnds, O_CLOEXEC) != 0) {
        close(input);
        return Refusal("the server could not start a replay");
    }
    std::vector<char*> argv;
    for (const std::string& word : settings.command) argv.push_back(const_cast<char*>(word.c_str()));
    argv.push_back(nullptr);
    const rlimit cpu = {rlim_t(settings.cpuSeconds), rlim_t(settings.cpuSeconds) + 1};
    const rlimit space = {rlim_t(settings.memoryBytes), rlim_t(settings.memoryBytes)};
    const pid_t child = fork();
    if (child == 0) StartChild(input, pipeEnds[1], argv.data(), cpu, LIMIT_ADDRESS_SPACE ? &space : nullptr);
    close(input);
    close(pipeEnds[1]);
    if (child < 0) {
        close(pipeEnds[0]);
        return Refusal("the server could not start a replay");
    }
    std::string answer;
    // A child that sleeps or is starved of CPU is ended too: four times its CPU allowance.
    const bool answered = ReadAnswer(pipeEnds[0], 4 * settings.cpuSeconds + 2, &answer);
    close(pipeEnds[0]);
    if (!answered) kill(child, SIGKILL);
    int status = 0;
    while (waitpid(child, &status, 0) < 0 && errno == EINTR) {
    }
    RunVerdict verdict;
    if (WIFEXITED(status) && WEXITSTATUS(status) == 0 && DecodeVerdict(answer, &verdict))
        return verdict;
    if (!answered || (WIFSIGNALED(status) && WTERMSIG(status) == SIGXCPU))
        return Refusal("the replay took too long");
    return Refusal("the replay failed");
}

static void WorkerLoop(VerifierPool* pool) {
    for (;;) {
        VerifierJob* job = nullptr;
        {
            std::unique_lock<std::mutex> hold(pool->lock);
            pool->waiting.wait(hold, [&] { return pool->stopping || !pool->queue.empty(); });
            if (pool->queue.empty()) return;
            job = pool->queue.front();
            pool->queue.pop_front();
        }
        job->verdict.set_value(VerifyInChild(*job->recording, pool->settings));
    }
}

static void StopVerifiers(VerifierPool* pool) {
    {
        std::lock_guard<std::mutex> hold(pool->lock);
        pool->stopping = true;
    }
    pool->waiting.notify_all();
    for (auto& worker : pool->workers) worker.join();
    delete pool;
}

std::unique_ptr<VerifierPool, void (*)(VerifierPool*)> StartVerifiers(const VerifierSettings& settings) {
    std::unique_ptr<VerifierPool, void (*)(VerifierPool*)> pool(new VerifierPool, StopVerifiers);
    pool->settings = settings;
    for (int i = 0; i < settings.workers; ++i) pool->workers.emplace_back(WorkerLoop, pool.get());
    return pool;
}

std::optional<RunVerdict> Verify(VerifierPool& pool, const std::string& recording) {
    VerifierJob job{&recording, {}};
    std::future<RunVerdict> verdict = job.verdict.get_future();
    {
        std::lock_guard<std::mutex> hold(pool.lock);
        if (pool.queue.size() >= pool.settings.queueLength) return std::nullopt;
        pool.queue.push_back(&job);
    }
    pool.waiting.notify_one();
    return verdict.get();
}

int VerifierChildMain(RunVerdict (*judge)(const std::string& recording)) {
    std::string recording;
    char buffer[65536];
    for (;;) {
        const ssize_t got = read(0, buffer, sizeof buffer);
        if (got < 0 && errno == EINTR) continue;
        if (got <= 0) break;
        recording.append(buffer, size_t(got));
        if (recording.size() > (size_t(16) << 20)) return 2;  // never a body the server took
    }
    WriteAll(1, EncodeVerdict(judge(recording)));
    return 0;
}
