#include "cli/FileBatch.h"

#include <cerrno>
#include <fcntl.h>
#include <nlohmann/json.hpp>
#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

namespace nalo::cli {

namespace {

struct Child {
    pid_t pid = -1;
    int fd = -1;
    std::string output;  // its JSON lines
    int status = 0;
    bool done = false;
};

bool spawn(Child& c, const std::string& tool, size_t item, const Args& args) {
    int fds[2];
    if (::pipe2(fds, O_CLOEXEC) != 0) return false;
    std::vector<std::string> words{"nalo-convert", tool, "--batch-item", std::to_string(item)};
    words.insert(words.end(), args.begin(), args.end());
    std::vector<char*> argv;
    for (auto& w : words) argv.push_back(w.data());
    argv.push_back(nullptr);
    const pid_t pid = ::fork();
    if (pid < 0) {
        ::close(fds[0]);
        ::close(fds[1]);
        return false;
    }
    if (pid == 0) {
        ::dup2(fds[1], STDOUT_FILENO);
        ::execv("/proc/self/exe", argv.data());
        _exit(127);
    }
    ::close(fds[1]);
    c.pid = pid;
    c.fd = fds[0];
    return true;
}

Outcome outcomeNamed(const std::string& name) {
    return name == "written" ? Outcome::Written : name == "skipped" ? Outcome::Skipped : Outcome::Failed;
}

// The child's results, as it reported them.
void replay(const Child& c, const std::string& file, RunReporter& reporter) {
    bool any = false;
    size_t at = 0;
    while (at < c.output.size()) {
        const size_t end = std::min(c.output.find('\n', at), c.output.size());
        const auto j = nlohmann::json::parse(c.output.begin() + long(at), c.output.begin() + long(end), nullptr, false);
        at = end + 1;
        if (!j.is_object() || j.contains("summary")) continue;
        any = true;
        reporter.result(FileReport{j.value("source", ""), j.value("output", ""), outcomeNamed(j.value("outcome", "")),
                                   j.value("reason", ""), {}, false, j.value("bytes", int64_t(0)),
                                   j.value("ms", int64_t(0))});
    }
    if (any) return;
    if (WIFSIGNALED(c.status))
        reporter.failure(file, "its conversion stopped on signal " + std::to_string(WTERMSIG(c.status)));
    else
        reporter.failure(file, "its conversion ended with status " + std::to_string(WEXITSTATUS(c.status)));
}

}  // namespace

int FileBatch::run(RunReporter& reporter) const {
    // The plan: what runBatch would refuse, if every other file wrote its output.
    auto plan = tgapcx::runBatch(
                          files, outputOf,
                          [this](const std::string& p) {
                              tgapcx::FileResult r;
                              r.source = p;
                              r.output = outputOf(p);
                              r.outcome = Outcome::Written;
                              return r;
                          },
                          {})
                          .results;
    for (auto& r : plan)
        if (!r.sameOutputAs.empty()) r.reason = r.output + ": " + r.reason;
    int jobs = command.jobs;
    if (jobs == 0) jobs = int(std::max(1L, ::sysconf(_SC_NPROCESSORS_ONLN)));
    if (command.batchItem < 0 && jobs > 1 && files.size() > 1) return runChildren(reporter, plan, jobs);

    reporter.plan(int64_t(files.size()), "files");
    for (size_t i = 0; i < files.size(); ++i) {
        if (command.batchItem >= 0 && size_t(command.batchItem) != i) continue;
        reporter.begin(files[i]);
        if (plan[i].outcome == Outcome::Failed) reporter.result(plan[i]);
        else convertOne(i, reporter);
        reporter.advance(int64_t(i + 1));
    }
    return reporter.finish();
}

int FileBatch::runChildren(RunReporter& reporter, const std::vector<tgapcx::FileResult>& plan, int jobs) const {
    const std::string tool = command.app.get_name().substr(command.app.get_name().rfind(' ') + 1);
    std::vector<Child> children(files.size());
    size_t started = 0, reported = 0;
    int running = 0;
    reporter.plan(int64_t(files.size()), "files");
    while (reported < files.size()) {
        while (running < jobs && started < files.size()) {
            Child& c = children[started];
            if (plan[started].outcome == Outcome::Failed) {
                c.done = true;
            } else if (spawn(c, tool, started, args)) {
                reporter.begin(files[started]);
                ++running;
            } else {
                c.done = true;
                c.status = 127 << 8;
            }
            ++started;
        }
        while (reported < files.size() && children[reported].done) {
            if (plan[reported].outcome == Outcome::Failed) reporter.result(plan[reported]);
            else replay(children[reported], files[reported], reporter);
            reporter.advance(int64_t(++reported));
        }
        if (running == 0) continue;
        std::vector<pollfd> polled;
        std::vector<size_t> which;
        for (size_t i = 0; i < started; ++i)
            if (children[i].fd >= 0) {
                polled.push_back({children[i].fd, POLLIN, 0});
                which.push_back(i);
            }
        if (::poll(polled.data(), polled.size(), 100) < 0 && errno != EINTR) break;
        for (size_t k = 0; k < polled.size(); ++k) {
            if (!polled[k].revents) continue;
            Child& c = children[which[k]];
            char buffer[4096];
            const ssize_t n = ::read(c.fd, buffer, sizeof buffer);
            if (n > 0) {
                c.output.append(buffer, size_t(n));
            } else if (n == 0 || errno != EINTR) {
                ::close(c.fd);
                c.fd = -1;
                while (::waitpid(c.pid, &c.status, 0) < 0 && errno == EINTR) {
                }
                c.done = true;
                --running;
            }
        }
    }
    return reporter.finish();
}

}  // namespace nalo::cli
