#include "editor/orbctl/SignFanOut.h"

#include <algorithm>
#include <cstdio>
#include <mutex>
#include <thread>

namespace orb {

namespace {

// The percentage over every sign's steps, printed each time it grows.
class ProgressLines {
  public:
    ProgressLines(size_t signs, const char* prefix) : done_(signs, 0), total_(signs, 0), prefix_(prefix) {}

    void update(size_t sign, int done, int total) {
        std::lock_guard lock(mutex_);
        done_[sign] = done, total_[sign] = total;
        long long all = 0, finished = 0;
        for (size_t i = 0; i < done_.size(); ++i) all += total_[i], finished += done_[i];
        const int percent = all > 0 ? static_cast<int>(std::min<long long>(100, finished * 100 / all)) : 100;
        if (percent <= shown_) return;
        shown_ = percent;
        std::fprintf(stderr, "%s%d %%\n", prefix_, percent);
    }

  private:
    std::mutex mutex_;
    std::vector<int> done_, total_;
    const char* prefix_;
    int shown_ = -1;
};

}  // namespace

int sendToSigns(const std::vector<SignJob>& jobs, bool verify) {
    ProgressLines sending(jobs.size(), ""), checking(jobs.size(), "확인 ");
    std::vector<CommandOutcome> outcomes(jobs.size());
    std::vector<std::thread> threads;
    for (size_t i = 0; i < jobs.size(); ++i) {
        threads.emplace_back([&, i] {
            TransferOptions options;
            options.verify = verify;
            options.progress = [&, i](int done, int total) { sending.update(i, done, total); };
            options.verifyProgress = [&, i](int done, int total) { checking.update(i, done, total); };
            outcomes[i] = jobs[i].run(options);
        });
    }
    for (std::thread& t : threads) t.join();

    // Every sign gets the same program: its warnings are said once.
    for (const CommandOutcome& o : outcomes) {
        if (o.warnings.empty()) continue;
        for (const std::string& w : o.warnings) std::fprintf(stderr, "%s\n", w.c_str());
        break;
    }
    bool all = true;
    for (size_t i = 0; i < jobs.size(); ++i) {
        if (jobs.size() == 1)
            std::printf("%s\n", outcomes[i].message.c_str());
        else
            std::printf("%s: %s\n", jobs[i].name.c_str(), outcomes[i].message.c_str());
        all = all && outcomes[i].ok;
    }
    std::fflush(stdout);
    return all ? 0 : 1;
}

}  // namespace orb
