#include "cli/ParallelRun.h"

#include <poll.h>
#include <sys/wait.h>
#include <unistd.h>

#include <csignal>
#include <cstdio>
#include <sstream>

#include "cli/Messages.h"
#include "cli/ProgressLine.h"
#include "platform/SignalCleanup.h"

namespace korvane::cli {

// Converts the tables in worker processes, up to `a.jobs` at a time. Each worker converts one
// table exactly as a serial run does and hands back what it had to say and its figures; they
// are told in the tables' order, whole, whatever order the workers finish in. Processes rather
// than threads: the reader keeps process-wide state (its settings, the signal clean-up's one
// temporary file, the signal mask while a document replaces its target), which a worker of its
// own keeps to itself.
int ConvertInParallel(const Arguments& a, const std::vector<Job>& jobs, const std::vector<std::string>& refusals,
                      std::ostream& err, bool progress, Totals& totals) {
    struct Worker {
        pid_t pid = -1;
        int fd = -1;
        std::string said;  // its figures' line, then its messages
        bool done = false;
    };
    std::vector<Worker> workers(jobs.size());
    std::size_t next = 0, told = 0, running = 0;
    int status = 0, stopped = 0;
    bool drawn = false;  // a progress line stands on the terminal
    const auto started = Clock::now();
    auto start = [&](std::size_t t) {
        int pipe[2];
        if (::pipe(pipe) != 0) return false;
        // Signals wait until the worker is known to be passed them on; the worker takes them
        // as soon as it runs.
        sigset_t saved;
        ::sigprocmask(SIG_BLOCK, &platform::CleanupSignals(), &saved);
        const pid_t parent = ::getpid();
        const pid_t pid = ::fork();
        if (pid < 0) {
            ::sigprocmask(SIG_SETMASK, &saved, nullptr);
            ::close(pipe[0]);
            ::close(pipe[1]);
            return false;
        }
        if (pid == 0) {
            ::close(pipe[0]);
            platform::ForgetSignalForwards();
            platform::EndWithParent(parent);
            ::sigprocmask(SIG_SETMASK, &saved, nullptr);
            std::ostringstream said;
            Totals figures;
            TableOwner owner;
            const bool converted =
                ConvertOne(a, jobs[t].shown, jobs[t].full, a.haveTarget ? a.target : jobs[t].target, owner, said, false, figures);
            char line[160];
            std::snprintf(line, sizeof line, "%d %lld %lld %.6f %llu %d\n", converted ? 1 : 0, figures.rows, figures.deleted,
                          figures.seconds, static_cast<unsigned long long>(figures.bytes), platform::DeferredSignal());
            const std::string out = line + said.str();
            for (std::size_t done = 0; done < out.size();) {
                const ssize_t n = ::write(pipe[1], out.data() + done, out.size() - done);
                if (n <= 0) break;
                done += static_cast<std::size_t>(n);
            }
            ::_exit(0);
        }
        ::close(pipe[1]);
        platform::ForwardSignalsTo(pid);
        ::sigprocmask(SIG_SETMASK, &saved, nullptr);
        workers[t].pid = pid;
        workers[t].fd = pipe[0];
        ++running;
        return true;
    };
    auto tell = [&] {
        for (; told < jobs.size() && (workers[told].done || !refusals[told].empty()); ++told) {
            if (drawn) {
                err << "\n";
                drawn = false;
            }
            ++totals.tables;
            if (!refusals[told].empty()) {
                err << refusals[told];
                status = 1;
                continue;
            }
            const std::string& said = workers[told].said;
            const std::size_t end = said.find('\n');
            int converted = 0, signal = 0;
            long long rows = 0, deleted = 0;
            double seconds = 0;
            unsigned long long bytes = 0;
            if (end == std::string::npos || std::sscanf(said.c_str(), "%d %lld %lld %lf %llu %d", &converted, &rows, &deleted,
                                                        &seconds, &bytes, &signal) != 6) {
                err << "dbf2xml: " << Shown(jobs[told].full) << ": the conversion ended without a word\n";
                status = 1;
                continue;
            }
            err << said.substr(end + 1);
            if (!converted) status = 1;
            if (signal != 0) stopped = signal;
            totals.converted += converted;
            totals.rows += rows;
            totals.deleted += deleted;
            totals.seconds += seconds;
            totals.bytes += bytes;
        }
        err.flush();
    };
    for (;;) {
        while (running < static_cast<std::size_t>(a.jobs) && next < jobs.size() && stopped == 0) {
            if (refusals[next].empty() && !start(next)) {
                workers[next].done = true;
                workers[next].said = "0 0 0 0 0 0\ndbf2xml: " + Shown(jobs[next].full) + ": no worker could be started\n";
            }
            ++next;
        }
        tell();
        if (running == 0) break;
        std::vector<pollfd> waiting;
        for (const Worker& w : workers)
            if (w.fd >= 0) waiting.push_back({w.fd, POLLIN, 0});
        if (::poll(waiting.data(), waiting.size(), -1) < 0 && errno != EINTR) break;
        for (const pollfd& p : waiting) {
            if (p.revents == 0) continue;
            Worker& w = *std::find_if(workers.begin(), workers.end(), [&](const Worker& x) { return x.fd == p.fd; });
            char buffer[4096];
            const ssize_t n = ::read(w.fd, buffer, sizeof buffer);
            if (n > 0) {
                w.said.append(buffer, static_cast<std::size_t>(n));
                continue;
            }
            if (n < 0 && errno == EINTR) continue;
            ::close(w.fd);
            w.fd = -1;
            ::waitpid(w.pid, nullptr, 0);
            platform::StopForwardingTo(w.pid);
            w.done = true;
            --running;
        }
        if (progress) {
            // The whole run on one line: tables done of all, rows, time.
            err << "\rdbf2xml: " << told << " of " << jobs.size() << " tables  " << Plural(totals.rows, "row", "rows") << "  "
                << Seconds(std::chrono::duration<double>(Clock::now() - started).count()) << std::flush;
            drawn = true;
        }
    }
    if (drawn) err << "\n";
    // A signal held back while a document replaced its target stops the run; it tells when
    // tables were left unconverted.
    if (stopped != 0 && next < jobs.size()) return 128 + stopped;
    return status;
}

}  // namespace korvane::cli
