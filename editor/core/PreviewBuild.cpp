#include "editor/core/PreviewBuild.h"

namespace orb {

SettingsBlock correctedSettings(const ItemStore& store) {
    SettingsBlock settings;
    if (store.readSettings(settings) != IoResult::Ok) settings = SettingsBlock{};
    settings.correct();  // as the editor reads them at start-up; the store itself is left alone
    return settings;
}

PlanOutcome planStore(const ItemStore& store, ProgramPlan& plan, const BuildProgress& progress) {
    const SettingsBlock settings = correctedSettings(store);
    LineProgress lines;
    if (progress) lines = [&](int done, int total) { progress(done, total + 1); };
    return planProgram(store, store.itemCount(), settings.signWidth(), settings.signHeight(), plan, lines);
}

BuildOutcome buildImage(const ItemStore& store, const std::string& imagePath, const BuildProgress& progress) {
    BuildOutcome out;
    ProgramPlan plan;
    const PlanOutcome planned = planStore(store, plan, progress);
    if (planned.result != PlanResult::Ok) {
        out.result =
            planned.result == PlanResult::TooLarge ? BuildResult::TooLarge : BuildResult::StoreUnreadable;
        out.message = planned.message;
        return out;
    }
    out.problems = plan.problems;

    ProgramImage target;
    IoResult r = ProgramImage::open(imagePath, FileMode::CreateOrOpen, target);
    if (r == IoResult::Ok) {
        ImageSink sink(target);
        r = writeProgram(plan, sink);
    }
    if (r != IoResult::Ok) {
        out.result = BuildResult::ImageFailed;
        out.io = r;
        return out;
    }
    if (progress) {
        int lines = 0;
        for (const PlannedItem& item : plan.items) lines += plannedLines(item.header);
        progress(lines + 1, lines + 1);
    }
    return out;
}

MemoryUse memoryUse(const ItemStore& store) {
    MemoryUse use;
    const int n = store.itemCount();
    for (int i = 0; i < n; ++i) {
        ItemRecord record;
        if (store.readRecord(i, record) == IoResult::Ok) use.sectors += itemSectors(record);
    }
    return use;
}

}  // namespace orb
