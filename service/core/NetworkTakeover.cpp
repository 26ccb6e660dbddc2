#include "service/core/NetworkTakeover.h"

#include <algorithm>
#include <set>

#include "editor/core/ProgramJson.h"
#include "editor/core/ProgramJsonNames.h"

namespace orb {

namespace {

using json = nlohmann::json;

ServiceResult invalid(std::string message) {
    return ServiceResult::fail(Outcome::Invalid, std::move(message));
}

constexpr const char* kFields[] = {"text", "colour", "effect", "program", "signs", "groups", "until"};

// The one-item program showing TEXT: one sentence line as high as the smallest sign, lit all day.
json textProgramJson(const Takeover& t, int width, int height) {
    const json line = {{"kind", "sentence"},
                       {"runs", {{{"text", *t.text}, {"colour", *t.colour}}}},
                       {"effects", {{"entry", *t.effect}}}};
    return {{"version", 1},
            {"sign", {{"width", width}, {"height", height}}},
            {"items", {{{"layout", "one"}, {"heights", {height}}, {"lines", {line}}}}}};
}

}  // namespace

bool isTakeoverColour(const std::string& name) {
    return name == "빨강색" || name == "초록색" || name == "노랑색";
}

bool isTextEntryEffect(const std::string& name) {
    return json_names::entryEffectsFor(ContentKind::Sentence).find(name).has_value();
}

ServiceResult NetworkTakeover::readTargets(const json& body, Takeover& t, std::vector<int64_t>& signs) {
    const json none = json::array();
    const json& s = body.contains("signs") ? body["signs"] : none;
    const json& g = body.contains("groups") ? body["groups"] : none;
    if (!s.is_array() ||
        !std::all_of(s.begin(), s.end(), [](const json& v) { return v.is_number_integer(); }))
        return invalid("signs: a list of sign ids");
    if (!g.is_array() || !std::all_of(g.begin(), g.end(), [](const json& v) { return v.is_string(); }))
        return invalid("groups: a list of group names");
    t.signs = s.get<std::vector<int64_t>>();
    t.groups = g.get<std::vector<std::string>>();
    std::set<int64_t> chosen;
    for (int64_t id : t.signs) {
        SignRecord sign;
        const DbStatus st = net_.store.signs.get(id, sign);
        if (st == DbStatus::NotFound) return invalid("signs: sign " + std::to_string(id) + " does not exist");
        if (st != DbStatus::Ok) return resultOf(st, "the signs");
        chosen.insert(id);
    }
    std::vector<GroupRecord> groups;
    if (const DbStatus st = net_.store.groups.list(groups); st != DbStatus::Ok)
        return resultOf(st, "the groups");
    for (const std::string& name : t.groups) {
        const auto it =
            std::find_if(groups.begin(), groups.end(), [&](const GroupRecord& x) { return x.name == name; });
        if (it == groups.end()) return invalid("groups: no group is named " + name);
        chosen.insert(it->signs.begin(), it->signs.end());
    }
    if (chosen.empty()) return invalid("signs, groups: the takeover names no sign");
    signs.assign(chosen.begin(), chosen.end());
    return {};
}

ServiceResult NetworkTakeover::readUntil(const json& body, Takeover& t) {
    if (!body.contains("until") || body["until"].is_null()) return {};
    LocalTimestamp until;
    if (!body["until"].is_string() || !parseIsoText(body["until"].get<std::string>(), until))
        return invalid("until: a time YYYY-MM-DDTHH:MM:SS, or null");
    if (toMillis(until) <= net_.clock.nowMillis())
        return invalid("until: " + body["until"].get<std::string>() + " is not after now (" +
                       toIsoText(net_.clock.now()) + ")");
    t.until = toIsoText(until);
    return {};
}

ServiceResult NetworkTakeover::textProgram(const json& body, const std::vector<int64_t>& signs, Takeover& t) {
    if (!body["text"].is_string()) return invalid("text: a text");
    t.text = body["text"].get<std::string>();
    if (t.text->empty()) return invalid("text: empty; the takeover shows a text or a program");
    if (!body.contains("colour") || !body["colour"].is_string() ||
        !isTakeoverColour(body["colour"].get<std::string>()))
        return invalid("colour: one of \"빨강색\", \"초록색\", \"노랑색\"");
    t.colour = body["colour"].get<std::string>();
    t.effect = "효과없음";
    if (body.contains("effect")) {
        if (!body["effect"].is_string() || !isTextEntryEffect(body["effect"].get<std::string>()))
            return invalid("effect: one of " + json_names::entryEffectsFor(ContentKind::Sentence).choices());
        t.effect = body["effect"].get<std::string>();
    }
    int width = 40, height = 8;
    for (int64_t id : signs) {
        SignRecord sign;
        if (const DbStatus st = net_.store.signs.get(id, sign); st != DbStatus::Ok)
            return resultOf(st, "sign " + std::to_string(id));
        width = std::min(width, sign.width), height = std::min(height, sign.height);
    }
    ProgramVersionInput in;
    in.json = textProgramJson(t, width, height).dump(2) + "\n";
    ItemStore items;
    const std::vector<JsonProblem> problems = importProgramJson(in.json, {}, items);
    if (hasErrors(problems)) {
        for (const JsonProblem& p : problems)
            if (p.severity == ProblemSeverity::Error) return invalid("text: " + p.message);
    }
    in.itemCount = items.itemCount();
    in.store.resize(ItemStore::kFileSize);
    if (items.readAll(std::span<uint8_t, ItemStore::kFileSize>(in.store.data(), ItemStore::kFileSize)) !=
        IoResult::Ok)
        return ServiceResult::fail(Outcome::StorageFailed, "the takeover's program could not be made");
    // Named after the takeover once it is stored (see TakeoverStore::create).
    t.version = 1;
    return resultOf(net_.store.programs.add(takeoverProgramName(0), in, net_.actor("orbd"), t.program),
                    "the takeover's program");
}

ServiceResult NetworkTakeover::givenProgram(const json& body, Takeover& t) {
    if (!body["program"].is_number_integer()) return invalid("program: a program id");
    t.program = body["program"].get<int64_t>();
    ProgramRecord p;
    const DbStatus st = net_.store.programs.get(t.program, p);
    if (st == DbStatus::NotFound || (st == DbStatus::Ok && p.versions.empty()))
        return invalid("program: program " + std::to_string(t.program) + " does not exist");
    if (st != DbStatus::Ok) return resultOf(st, "program " + std::to_string(t.program));
    t.version = p.versions.back().version;
    return {};
}

ServiceResult NetworkTakeover::create(const json& body, const Actor& actor, Takeover& out) {
    if (!body.is_object()) return invalid("the takeover: a JSON object");
    for (const auto& [key, value] : body.items())
        if (std::find(std::begin(kFields), std::end(kFields), key) == std::end(kFields))
            return invalid(key + ": not a field of a takeover");
    const bool text = body.contains("text"), program = body.contains("program");
    if (text == program) return invalid("text, program: give either a text or a program");
    if (program && (body.contains("colour") || body.contains("effect")))
        return invalid("colour, effect: a program is shown as it is");
    Takeover t;
    std::vector<int64_t> signs;
    if (ServiceResult r = readTargets(body, t, signs); !r.ok()) return r;
    if (ServiceResult r = readUntil(body, t); !r.ok()) return r;
    if (ServiceResult r = text ? textProgram(body, signs, t) : givenProgram(body, t); !r.ok()) return r;
    if (const DbStatus st = net_.store.takeovers.create(t, signs, actor); st != DbStatus::Ok)
        return st == DbStatus::Conflict ? invalid("signs: a sign or the program was removed meanwhile")
                                        : resultOf(st, "the takeover");
    net_.logEvent("takeover " + std::to_string(t.id) + " made by " + actor.user);
    return resultOf(net_.store.takeovers.get(t.id, out), "takeover " + std::to_string(t.id));
}

ServiceResult NetworkTakeover::end(int64_t id, const Actor& actor, Takeover& out) {
    const std::string what = "takeover " + std::to_string(id);
    const DbStatus st = net_.store.takeovers.end(id, actor, "ended by " + actor.user);
    if (st == DbStatus::Conflict) return ServiceResult::fail(Outcome::Conflict, what + " has ended already");
    if (st != DbStatus::Ok) return resultOf(st, what);
    net_.logEvent(what + " ended by " + actor.user);
    return resultOf(net_.store.takeovers.get(id, out), what);
}

}  // namespace orb
