// orbctl's item and settings commands: the editor's own document opens the project, runs the
// command as the list's menu would, and saves the project only when the command was done.
#include <cstdio>
#include <memory>
#include <string>
#include <vector>

#include "cli/CommandLine.h"
#include "editor/core/LinkChoice.h"
#include "editor/core/OrbDocument.h"
#include "editor/core/ProgramJson.h"
#include "editor/core/ProgramJsonNames.h"
#include "editor/orbctl/OrbctlCommands.h"
#include "image/DecimalNumber.h"

namespace orb {

namespace {

// The editor's message of a refusal, on stderr; exit 1.
int refused(DocOutcome outcome) {
    const DocMessage m = messageOf(outcome);
    std::fprintf(stderr, "%s\n", m.text.empty() ? "nothing changed" : m.text.c_str());
    return 1;
}

// Runs COMMAND on the document of PROJECT and saves it when it was done.
template <typename Command>
int onProject(const std::string& project, Command command) {
    OrbDocument doc;
    const DocOutcome opened = doc.open(project);
    if (opened != DocOutcome::Done) return refused(opened);
    const DocOutcome outcome = command(doc);
    if (outcome == DocOutcome::Unchanged) return 0;
    if (outcome != DocOutcome::Done) return refused(outcome);
    const DocOutcome saved = doc.save();
    return saved == DocOutcome::Done ? 0 : refused(saved);
}

bool parseCount(const std::string& text, long low, long high, long& out) {
    const auto value = parseDecimal(text, static_cast<uint64_t>(low), static_cast<uint64_t>(high));
    if (value) out = static_cast<long>(*value);
    return value.has_value();
}

// Rows are numbered from 1; ROW must be in the list.
bool parseRow(const OrbDocument& doc, const std::string& text, int& row) {
    long n = 0;
    if (!parseCount(text, 1, ItemStore::kRecords, n) || n > doc.rowCount()) {
        std::fprintf(stderr, "%s: no such row (the list has %d)\n", text.c_str(), doc.rowCount());
        return false;
    }
    row = static_cast<int>(n - 1);
    return true;
}

DocOutcome badValue(const std::string& key, const std::string& value) {
    std::fprintf(stderr, "%s: \"%s\" is not a value of this setting\n", key.c_str(), value.c_str());
    return DocOutcome::InvalidValue;
}

DocOutcome setSetting(OrbDocument& doc, const std::string& key, const std::string& value) {
    const SettingsBlock& s = doc.settings();
    long n = 0;
    if (key == "sign.width" && parseCount(value, 5, 40, n))
        return doc.setSignSize(uint8_t(n), s.signHeight());
    if (key == "sign.height" && parseCount(value, 1, 8, n)) return doc.setSignSize(s.signWidth(), uint8_t(n));
    if (key == "link.mode") {
        if (auto m = json_names::linkModes().find(value)) return doc.setLinkMode(static_cast<LinkMode>(*m));
    }
    if (key == "link.comPort" && parseCount(value, 1, 20, n)) return doc.setComPort(uint8_t(n));
    if (key == "link.ip") {
        if (auto ip = parseIpText(value)) return doc.setTcpPeer(*ip, s.tcpPort());
    }
    if (key == "link.port" && parseCount(value, 0, 65535, n))
        return doc.setTcpPeer(s.ipAddress(), uint16_t(n));
    if (key == "onOff.enabled" && (value == "true" || value == "false"))
        return doc.setOnOffEnabled(value == "true");
    const ClockTime on{s.onHour(), s.onMinute()}, off{s.offHour(), s.offMinute()};
    if (key == "onOff.on") {
        if (auto t = parseClockText(value)) return doc.setOnOffTimes(*t, off);
    }
    if (key == "onOff.off") {
        if (auto t = parseClockText(value)) return doc.setOnOffTimes(on, *t);
    }
    if (key == "displayWindow") {
        if (auto m = json_names::windowModes().find(value)) return doc.setWindowMode(uint8_t(*m));
    }
    if (key == "brightness" && parseCount(value, 1, 10, n)) return doc.setBrightness(uint8_t(n - 1));
    return badValue(key, value);
}

void printProblems(const std::vector<JsonProblem>& problems) {
    for (const JsonProblem& p : problems) std::fprintf(stderr, "%s\n", toText(p).c_str());
}

// The edit of one line from its JSON, as the kind's dialog would hand it back.
DocOutcome setLine(OrbDocument& doc, int row, int line, const std::string& json) {
    const ItemRecord current = doc.record(row);
    const LayoutCode layout = current.header.layout();
    if (line > linesOf(layout)) return DocOutcome::LineNotInLayout;
    ItemRecord parsed;
    std::vector<int> given;
    const std::vector<JsonProblem> problems = importLineJson(json, layout, line, {}, parsed, given);
    printProblems(problems);
    if (hasErrors(problems)) return DocOutcome::InvalidValue;
    const int selected[] = {row};
    if (layout == LayoutCode::TitleAndSentence) {
        TitleSentenceContent c = doc.titleSentenceDialogStart(row);
        for (int n : given) {
            if (n == 1) c.title = parsed.line(1);
            if (n == 2) c.sentence = parsed.line(2), c.effects = parsed.header.effects(2);
        }
        const DocOutcome r = doc.setTitleSentence(selected, c);
        if (r == DocOutcome::Incomplete)
            std::fputs(
                "nothing changed: the title and the sentence both need a text (give both as "
                "[title, sentence] for line 1)\n",
                stderr);
        return r;
    }
    const ContentKind kind = parsed.header.kind(line);
    if (kind == ContentKind::None) {
        std::fputs("nothing changed: a line's content can be replaced, not removed\n", stderr);
        return DocOutcome::Incomplete;
    }
    LineContent c = doc.lineDialogStart(row, line, kind);
    const ItemHeader& h = parsed.header;
    c.effects = h.effects(line);
    c.pictureWidth = h.pictureWidth(line), c.pictureHeight = h.pictureHeight(line);
    c.frameCount = h.frameCount(line), c.animationSpeed = h.animationSpeed(line);
    c.dday = h.ddayDate(line);
    c.payload = parsed.line(line);
    const DocOutcome r = doc.setLineContent(selected, line, c);
    if (r == DocOutcome::Incomplete) std::fputs("nothing changed: the line needs a text or a file\n", stderr);
    return r;
}

int addItem(const std::string& project, const std::string& layoutName,
            const std::vector<std::string>& given) {
    const std::optional<size_t> layout = json_names::layouts().find(layoutName);
    if (!layout) {
        std::fprintf(stderr, "%s: unknown layout; one of %s\n", layoutName.c_str(),
                     json_names::layouts().choices().c_str());
        return 2;
    }
    const size_t lines = static_cast<size_t>(linesOf(static_cast<LayoutCode>(*layout)));
    if (given.size() != lines) {
        std::fprintf(stderr, "a \"%s\" item needs %zu heights\n", layoutName.c_str(), lines);
        return 2;
    }
    std::array<uint8_t, 3> heights{};
    for (size_t i = 0; i < lines; ++i) {
        long n = 0;
        if (!parseCount(given[i], 1, 8, n)) {
            std::fprintf(stderr, "%s: a height is 1..8 modules\n", given[i].c_str());
            return 2;
        }
        heights[i] = static_cast<uint8_t>(n);
    }
    return onProject(
        project, [&](OrbDocument& doc) { return doc.addItem(static_cast<LayoutCode>(*layout), heights); });
}

int deleteItems(const std::string& project, const std::vector<std::string>& given) {
    return onProject(project, [&](OrbDocument& doc) {
        std::vector<int> rows;
        if (doc.rowCount() == 0) return doc.deleteRows(rows);
        for (const std::string& text : given) {
            int row = 0;
            if (!parseRow(doc, text, row)) return DocOutcome::NoDeleteSelection;
            rows.push_back(row);
        }
        return doc.deleteRows(rows);
    });
}

int moveItem(const std::string& project, const std::string& fromText, const std::string& toText) {
    return onProject(project, [&](OrbDocument& doc) {
        int from = 0, to = 0;
        if (doc.rowCount() == 0) return DocOutcome::NothingToCut;
        if (!parseRow(doc, fromText, from) || !parseRow(doc, toText, to)) return DocOutcome::NoRowSelected;
        const int cutRow[] = {from};
        const DocOutcome cut = doc.cut(cutRow);
        if (cut != DocOutcome::Done) return cut;
        // TO counts rows as they were before the cut; past the end after it means the cut row itself.
        const int pasteRow[] = {to > from ? to - 1 : to};
        if (pasteRow[0] >= doc.rowCount()) return DocOutcome::NoPasteSelection;
        return doc.paste(pasteRow);
    });
}

// The positional arguments of every item command; each uses those it names.
struct ItemArgs {
    std::string project, first, second, json;
    std::vector<std::string> many;
    int line = 0;
};

CLI::App* itemCommand(CLI::App& app, const char* name, const char* description,
                      std::shared_ptr<ItemArgs>& a) {
    a = std::make_shared<ItemArgs>();
    CLI::App* sub = app.add_subcommand(name, description);
    sub->add_option("PROJECT", a->project, "the project file")->required();
    return sub;
}

}  // namespace

void addItemCommands(CLI::App& app, int& exitCode) {
    std::shared_ptr<ItemArgs> a;
    CLI::App* sub = itemCommand(app, "add", "append an item", a);
    sub->add_option("LAYOUT", a->first, "one, two, three or title-and-sentence")->required();
    sub->add_option("HEIGHT", a->many, "one height in modules (1..8) per line")->required()->expected(1, 3);
    sub->callback([a, &exitCode] { exitCode = addItem(a->project, a->first, a->many); });

    sub = itemCommand(app, "delete", "delete the items of the rows given", a);
    sub->add_option("ROW", a->many, "rows numbered from 1 as the list shows them")->required();
    sub->callback([a, &exitCode] { exitCode = deleteItems(a->project, a->many); });

    sub = itemCommand(app, "move", "cut row FROM and paste it before the item now at row TO", a);
    sub->add_option("FROM", a->first, "the row to move")->required();
    sub->add_option("TO", a->second, "the row it goes before")->required();
    sub->callback([a, &exitCode] { exitCode = moveItem(a->project, a->first, a->second); });

    sub = itemCommand(app, "set-line", "edit one line of an item", a);
    sub->add_option("ROW", a->first, "the item's row")->required();
    addNumber(*sub, "LINE", a->line, 1, 3, "the line")->required();
    sub->add_option("JSON", a->json,
                    "the line as in docs/program-format.md; a title and sentence also takes "
                    "[title, sentence] as its line 1")
        ->required();
    sub->callback([a, &exitCode] {
        exitCode = onProject(a->project, [&](OrbDocument& doc) {
            int row = 0;
            if (!parseRow(doc, a->first, row)) return DocOutcome::NoRowSelected;
            return setLine(doc, row, a->line, a->json);
        });
    });

    sub = itemCommand(app, "set", "change a setting", a);
    sub->add_option("KEY", a->first,
                    "sign.width, sign.height, link.mode, link.comPort, link.ip, link.port, onOff.enabled, "
                    "onOff.on, onOff.off, displayWindow or brightness")
        ->required();
    sub->add_option("VALUE", a->second, "as in the JSON form")->required();
    sub->callback([a, &exitCode] {
        exitCode =
            onProject(a->project, [&](OrbDocument& doc) { return setSetting(doc, a->first, a->second); });
    });
}

}  // namespace orb
