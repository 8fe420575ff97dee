#include "cli/Runner.h"

#include <algorithm>
#include <chrono>
#include <condition_variable>
#include <map>
#include <mutex>
#include <optional>
#include <sstream>
#include <thread>

#include "cli/Messages.h"
#include "platform/File.h"
#include "platform/Paths.h"
#include "platform/SignalCleanup.h"

namespace korvane::cli {

namespace {

// No file is written twice in one run, whatever names lead to it. A target being written is
// known by its folder (device and inode) and name, which stay the same while a table of the
// run creates or replaces it, and by its file where it exists already (another name of it),
// so that two tables whose targets meet are not written at the same time.
class TargetGuard {
public:
    struct Key {
        std::uint64_t folderDevice = 0, folderInode = 0;
        std::string name;                             // in that folder; the whole path where it has none
        std::uint64_t fileDevice = 0, fileInode = 0;  // 0: the file does not exist
        bool Meets(const Key& other) const {
            return (folderDevice == other.folderDevice && folderInode == other.folderInode && name == other.name) ||
                   (fileInode != 0 && fileDevice == other.fileDevice && fileInode == other.fileInode);
        }
        bool operator==(const Key&) const = default;
    };
    static Key KeyOf(const std::string& xml) {
        Key key;
        const std::string folder = platform::ExtractFilePath(platform::ExpandFileName(xml));
        key.name = platform::ExtractFileName(xml);
        if (!platform::PathIdentity(folder.empty() ? "." : folder, key.folderDevice, key.folderInode)) key.name = xml;
        platform::PathIdentity(xml, key.fileDevice, key.fileInode);
        return key;
    }
    // The table an earlier table of the run wrote `xml` from, or null.
    const std::string* WrittenFrom(const std::string& xml) const {
        std::uint64_t device = 0, inode = 0;
        if (!platform::PathIdentity(xml, device, inode)) return nullptr;
        const auto found = FWritten.find({device, inode});
        return found == FWritten.end() ? nullptr : &found->second;
    }
    void Written(const std::string& xml, const std::string& table) {
        std::uint64_t device = 0, inode = 0;
        if (platform::PathIdentity(xml, device, inode)) FWritten.try_emplace({device, inode}, table);
    }
    bool Busy(const Key& key) const {
        return std::any_of(FBusy.begin(), FBusy.end(), [&](const Key& running) { return running.Meets(key); });
    }
    void Start(const Key& key) { FBusy.push_back(key); }
    void Stop(const Key& key) { FBusy.erase(std::find(FBusy.begin(), FBusy.end(), key)); }

private:
    std::map<std::pair<std::uint64_t, std::uint64_t>, std::string> FWritten;
    std::vector<Key> FBusy;
};

// One table's outcome as it is told: a refusal, or its result and what it said.
struct Outcome {
    TableResult result;
    std::string said;
};

std::string WrittenTwice(const Job& job, const std::string& xml, const std::string& earlier) {
    return "dbf2xml: " + Shown(job.full) + ": not converted: " + Shown(xml) + " was written from " + earlier + " in this run\n";
}

}  // namespace

int RunTables(const Arguments& a, const std::vector<Job>& jobs, const Plan& plan, std::ostream& err, bool progress,
              Totals& totals) {
    const std::vector<std::string>& refusals = plan.refusals;
    auto targetOf = [&](std::size_t t) { return a.haveTarget ? a.target : jobs[t].target; };
    TargetGuard guard;
    int status = 0;
    std::size_t told = 0;
    bool givenUp = false;  // a table was left unfinished by a signal
    // Tells one table's outcome, in the tables' order.
    auto tell = [&](const Outcome& o) {
        ++told;
        givenUp = givenUp || o.result.interrupted;
        if (o.result.interrupted) return;
        err << o.said;
        totals.Add(o.result);
        if (!o.result.converted) status = 1;
    };
    // A signal held back while a document replaced its target: that table is told, no other
    // starts, and the status tells of the signal when tables were left.
    auto finalStatus = [&] {
        const int signal = platform::EndingSignal();
        return signal != 0 && (givenUp || told < jobs.size()) ? 128 + signal : status;
    };

    const std::size_t threads = std::min(
        {static_cast<std::size_t>(std::max(a.jobs, 1)), plan.claimed.size(), static_cast<std::size_t>(platform::kCleanupSlots)});
    if (threads <= 1 || a.options.standardOutput) {
        TableOwner owner;
        for (std::size_t t = 0; t < jobs.size() && platform::EndingSignal() == 0; ++t) {
            const std::string xml = targetOf(t);
            if (!refusals[t].empty()) {
                tell({{}, refusals[t]});
            } else if (const std::string* earlier = a.options.standardOutput ? nullptr : guard.WrittenFrom(xml)) {
                tell({{}, WrittenTwice(jobs[t], xml, *earlier)});
            } else {
                const TableResult r = ConvertOne(a, jobs[t].shown, jobs[t].full, xml, owner, err, progress);
                if (r.converted && !a.options.standardOutput) guard.Written(xml, Shown(jobs[t].full));
                tell({r, {}});
            }
        }
        return finalStatus();
    }

    // Threads take the tables in order; each table's outcome waits in its place until the ones
    // before it are told.
    std::mutex mutex;
    std::condition_variable changed;
    std::vector<std::optional<Outcome>> outcomes(jobs.size());
    std::size_t next = 0;
    std::size_t running = threads;
    long long rowsDone = 0;
    auto work = [&] {
        TableOwner owner;
        std::unique_lock lock(mutex);
        while (next < jobs.size() && platform::EndingSignal() == 0) {
            const std::size_t t = next++;
            const std::string xml = targetOf(t);
            if (!refusals[t].empty()) {
                outcomes[t] = Outcome{{}, refusals[t]};
                changed.notify_all();
                continue;
            }
            // A target another table is writing waits for it, and is then decided as in a run
            // one after another.
            const TargetGuard::Key key = TargetGuard::KeyOf(xml);
            changed.wait(lock, [&] { return !guard.Busy(key); });
            if (const std::string* earlier = guard.WrittenFrom(xml)) {
                outcomes[t] = Outcome{{}, WrittenTwice(jobs[t], xml, *earlier)};
                changed.notify_all();
                continue;
            }
            guard.Start(key);
            lock.unlock();
            std::ostringstream said;
            const TableResult r = ConvertOne(a, jobs[t].shown, jobs[t].full, xml, owner, said, false);
            lock.lock();
            guard.Stop(key);
            if (r.converted) guard.Written(xml, Shown(jobs[t].full));
            outcomes[t] = Outcome{r, said.str()};
            changed.notify_all();
        }
        --running;
        changed.notify_all();
    };
    std::vector<std::thread> pool;
    for (std::size_t i = 0; i < threads; ++i) pool.emplace_back(work);

    bool drawn = false;  // a progress line stands on the terminal
    const auto started = std::chrono::steady_clock::now();
    {
        std::unique_lock lock(mutex);
        for (;;) {
            while (told < jobs.size() && outcomes[told]) {
                const Outcome o = std::move(*outcomes[told]);
                outcomes[told].reset();
                if (drawn) {
                    const platform::LineWrite writing;
                    err << "\n";
                    drawn = false;
                    platform::SetLineEndOnSignal(false);
                }
                rowsDone += o.result.rows;
                tell(o);
            }
            err.flush();
            if (running == 0) break;
            if (progress) {
                // The whole run on one line: tables done of all, rows, time.
                const platform::LineWrite writing;
                platform::SetLineEndOnSignal(true);
                err << "\rdbf2xml: " << told << " of " << jobs.size() << " tables  " << Plural(rowsDone, "row", "rows") << "  "
                    << Seconds(std::chrono::duration<double>(std::chrono::steady_clock::now() - started).count()) << std::flush;
                drawn = true;
            }
            changed.wait_for(lock, std::chrono::milliseconds(100));
        }
    }
    for (std::thread& thread : pool) thread.join();
    if (drawn) {
        const platform::LineWrite writing;
        err << "\n";
        platform::SetLineEndOnSignal(false);
    }
    return finalStatus();
}

}  // namespace korvane::cli
