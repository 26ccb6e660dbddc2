#include "service/fleet/SignExchange.h"

#include <algorithm>
#include <optional>

#include "editor/core/LinkChoice.h"
#include "editor/core/ProgramVerify.h"
#include "editor/core/SignCommands.h"
#include "service/fleet/PlanCache.h"

namespace orb {

namespace {

// Records, frame by frame, whether and when the sign answered and what went out.
class Watch final : public LinkObserver {
  public:
    Watch(const AttemptHooks& hooks, bool push) : hooks_(hooks), push_(push) {}

    void exchanged(uint8_t command, LinkResult r) override {
        ++frames;
        last = r;
        if (r == LinkResult::Ok) {
            answeredAt = hooks_.clock();
            if (command == kApply) appliedAt = answeredAt;
        }
        // A write that got no good answer may still have been stored.
        const bool wentOut = r != LinkResult::NoLink && r != LinkResult::NothingToSend;
        if (push_ && command == kMemoryWrite && wentOut && !touched) {
            touched = true;
            if (hooks_.touched) hooks_.touched();
        }
    }

    int frames = 0;
    LinkResult last = LinkResult::NoLink;
    bool touched = false;
    std::optional<LocalDateTime> appliedAt, answeredAt;

  private:
    const AttemptHooks& hooks_;
    const bool push_;
};

const CommandOutcome kAnswered{true, "", ""};

// What a read-back that failed on the link tells; none when it read a table, good or not.
std::optional<CommandOutcome> linkFailure(const ReadBackOutcome& r) {
    switch (r.result) {
        case ReadBackResult::NoAnswer:
            return kSignSilent;
        case ReadBackResult::OtherModel:
            return kOtherModel;
        case ReadBackResult::Cancelled:
            return kTransferCancelled;
        case ReadBackResult::ReadFailed:
            return CommandOutcome{false, r.message, kSignSilent.caption};
        default:
            return std::nullopt;
    }
}

CommandOutcome modelOutcome(SignLink& link) {
    switch (link.checkModel()) {
        case ModelCheck::Ok:
            return kAnswered;
        case ModelCheck::OtherModel:
            return kOtherModel;
        case ModelCheck::NoAnswer:
            break;
    }
    return kSignSilent;
}

// Runs one action on an open link through the editor's commands.
struct ActionRun {
    SignLink& link;
    const AttemptHooks& hooks;
    const ProgramPlan* plan;  // a push's
    bool differs = false;
    bool final = false;                       // trying again would not help
    std::shared_ptr<ProgramReadBack> pulled;  // a pull's, when it read everything

    CommandOutcome operator()(const PushProgram&) {
        TransferOptions options;
        options.verify = true;
        options.cancel = hooks.cancel;
        const int checks = readBackQueries(*plan);
        int sendSteps = 0;
        options.progress = [&](int done, int total) {
            sendSteps = total;
            if (hooks.progress) hooks.progress(done, total + checks);
        };
        options.verifyProgress = [&](int done, int total) {
            if (hooks.progress) hooks.progress(sendSteps + done, sendSteps + total);
        };
        return transferPlan(link, *plan, options);
    }
    CommandOutcome operator()(const SetSize& a) { return applySize(link, a.width, a.height); }
    CommandOutcome operator()(const SetClockNow&) { return setClock(link, hooks.clock()); }
    CommandOutcome operator()(const SetOnOff& a) {
        return applyOnOff(link, a.enabled, a.on.hour, a.on.minute, a.off.hour, a.off.minute);
    }
    CommandOutcome operator()(const SetDisplayWindow& a) { return applyDisplayWindow(link, a.mode); }
    CommandOutcome operator()(const SetBrightness& a) { return setBrightness(link, a.level); }
    CommandOutcome operator()(const CheckModel&) { return modelOutcome(link); }
    CommandOutcome operator()(const CheckHolding& a) {
        if (!a.expected) return modelOutcome(link);
        ReadBackOptions options;
        options.contents = false;
        options.cancel = hooks.cancel;
        ProgramReadBack held;
        const ReadBackOutcome r = readProgramBack(link, options, held);
        if (auto failed = linkFailure(r)) return *failed;
        if (r.result != ReadBackResult::Ok) {  // a table no program of ours leaves
            differs = true;
            return {true, r.message, ""};
        }
        CommandOutcome out = kAnswered;
        out.message = holdingDifference(held, *a.expected);
        differs = !out.message.empty();
        return out;
    }
    CommandOutcome operator()(const PullProgram&) {
        ReadBackOptions options;
        options.cancel = hooks.cancel;
        options.progress = hooks.progress;
        auto read = std::make_shared<ProgramReadBack>();
        const ReadBackOutcome r = readProgramBack(link, options, *read);
        if (auto failed = linkFailure(r)) return *failed;
        if (r.result !=
            ReadBackResult::Ok) {  // a table no program of ours leaves: reading it again gives the same
            final = true;
            return {false, r.message, ""};
        }
        if (read->items.empty()) {
            final = true;
            return {false, "the sign holds no program (its item count is 0)", ""};
        }
        pulled = std::move(read);
        return {true, "read " + std::to_string(pulled->items.size()) + " items back", ""};
    }
};

// The refusal of a settings value out of its range, before the link is opened; empty when none.
std::string refusedValue(const SignAction& action) {
    if (const auto* a = std::get_if<SetSize>(&action);
        a && (a->width < 5 || a->width > 40 || a->height < 1 || a->height > 8))
        return "a sign is 5 to 40 modules wide and 1 to 8 high";
    if (const auto* a = std::get_if<SetOnOff>(&action);
        a && (a->on.hour > 23 || a->on.minute > 59 || a->off.hour > 23 || a->off.minute > 59))
        return "the ON/OFF times lie from 00:00 to 23:59";
    if (const auto* a = std::get_if<SetDisplayWindow>(&action); a && a->mode > 1)
        return "the display-window mode is 0 or 1";
    if (const auto* a = std::get_if<SetBrightness>(&action); a && a->level > 9)
        return "the brightness level is 0 to 9";
    return {};
}

LinkChoice choiceOf(const SignAddress& address) {
    LinkChoice c;
    c.tcp = address.tcp;
    c.host = address.host;
    c.port = address.port;
    c.serial.device = address.device;
    c.serial.baud = address.baud;
    return c;
}

AttemptEnd endOf(const CommandOutcome& out, bool final, const AttemptHooks& hooks) {
    if (out.ok) return AttemptEnd::Done;
    if (final || out.message == kOtherModel.message) return AttemptEnd::Final;
    if (out.message == kTransferCancelled.message && hooks.cancel && hooks.cancel->load())
        return AttemptEnd::Cancelled;
    return AttemptEnd::Failed;
}

std::optional<SignHealth> healthOf(const CommandOutcome& out, bool differs, const Watch& watch) {
    if (out.message == kOtherModel.message) return SignHealth::OtherModel;
    if (differs) return SignHealth::Differs;
    if (watch.frames == 0) return std::nullopt;
    return watch.last == LinkResult::Ok ? SignHealth::Online : SignHealth::Unreachable;
}

AttemptResult ended(AttemptEnd end, std::string message) {
    AttemptResult r;
    r.end = end;
    r.message = std::move(message);
    return r;
}

}  // namespace

AttemptResult runAction(const SignAddress& address, const SignAction& action, PlanCache& plans,
                        const AttemptHooks& hooks) {
    if (hooks.cancel && hooks.cancel->load()) return ended(AttemptEnd::Cancelled, kTransferCancelled.message);
    std::shared_ptr<const ProgramPlan> plan;
    if (const auto* push = std::get_if<PushProgram>(&action)) {
        std::string message;
        plan = plans.planFor(*push, message);
        if (!plan) return ended(AttemptEnd::Final, message);
    }
    if (std::string message = refusedValue(action); !message.empty())
        return ended(AttemptEnd::Final, message);

    AttemptResult r;
    Watch watch(hooks, plan != nullptr);
    OpenLink open;  // after the watch: the link goes first
    if (!openLink(choiceOf(address), open)) {
        r.message = open.serial.openError();
        r.health = SignHealth::Unreachable;
        return r;
    }
    open.link.observe(&watch);
    ActionRun run{open.link, hooks, plan.get(), false, false, nullptr};
    const CommandOutcome out = std::visit(run, action);
    r.end = endOf(out, run.final, hooks);
    r.message = out.message;
    r.health = healthOf(out, run.differs, watch);
    r.memoryTouched = watch.touched;
    r.appliedAt = watch.appliedAt;
    r.answeredAt = watch.answeredAt;
    r.pulled = std::move(run.pulled);
    return r;
}

std::string holdingDifference(const ProgramReadBack& held, const ProgramPlan& expected) {
    if (held.header.itemCount != expected.imageHeader.itemCount)
        return "the sign holds " + std::to_string(held.header.itemCount) + " items, not " +
               std::to_string(expected.imageHeader.itemCount);
    // Against the entries as the transfer writes them.
    for (const ProgramWrite& w : expected.writes) {
        if (w.kind != ProgramWrite::Kind::ItemHeader) continue;
        const size_t i = static_cast<size_t>(w.item);
        if (i >= held.items.size() ||
            !std::equal(w.bytes.begin(), w.bytes.end(), held.items[i].header.bytes.begin(),
                        held.items[i].header.bytes.end()))
            return "item " + std::to_string(i + 1) + " of the sign's item table differs";
    }
    return {};
}

}  // namespace orb
