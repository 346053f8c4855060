#include "front/AdapterSettings.h"

#include <cctype>
#include <functional>

#include "front/Enclosure.h"
#include "front/Error.h"
#include "front/Validation.h"

namespace zdfront {

// A setting: the word front ends accept, the request field, and how to read
// it back from the adapter.
struct AdapterSetting {
    const char* word;
    const char* field;
    bool isText;
    std::function<std::string(const Adapter&)> current;
};

namespace {

using Setting = AdapterSetting;

constexpr size_t kMaxAdapterText = 19;  // 20-byte fields: 19 bytes and a NUL

// "OEMType" of a user request and its "OEMValue"s.
constexpr uint64_t kUserRequest = 8;
constexpr uint64_t kBuzzOff = 1;
constexpr uint64_t kIdentify = 2;

Request userRequest(uint64_t value)
{
    return Request("OEMCommand").field("OEMType", kUserRequest).field("OEMValue", value).field("OEMID", 0).field("Force", 0);
}

std::string number(uint64_t value) { return std::to_string(value); }
std::string flag(bool value) { return value ? "1" : "0"; }

const std::vector<Setting>& settings()
{
    static const std::vector<Setting> table = {
        {"alias", "Alias", true, [](const Adapter& a) { return a.alias; }},
        {"serial", "SerialNo", true, [](const Adapter& a) { return a.serial; }},
        {"sync-speed", "SyncSpeed", false, [](const Adapter& a) { return number(a.speeds.sync); }},
        {"init-speed", "InitSpeed", false, [](const Adapter& a) { return number(a.speeds.init); }},
        {"rebuild-speed", "RebuildSpeed", false, [](const Adapter& a) { return number(a.speeds.rebuild); }},
        {"migrate-speed", "MigrateSpeed", false, [](const Adapter& a) { return number(a.speeds.migrate); }},
        {"disk-check-speed", "DiskCheckSpeed", false, [](const Adapter& a) { return number(a.speeds.diskCheck); }},
        {"auto-rebuild", "AutoRebuild", false, [](const Adapter& a) { return flag(a.autoRebuild); }},
        {"copy-back", "CopyBack", false, [](const Adapter& a) { return flag(a.copyBack); }},
        {"smart-poll", "SMARTPoll", false, [](const Adapter& a) { return flag(a.smartPoll); }},
        {"alarm", "AlarmOn", false, [](const Adapter& a) { return flag(a.alarm); }},
    };
    return table;
}

std::string lowered(std::string text)
{
    for (char& c : text) c = static_cast<char>(std::tolower(static_cast<unsigned char>(c)));
    return text;
}

}  // namespace

std::string adapterSettingWords()
{
    std::string words;
    for (const Setting& setting : settings()) words += (words.empty() ? "" : ", ") + std::string(setting.word);
    return words;
}

void AdapterSettings::set(const std::string& key, const std::string& value)
{
    const Setting* found = nullptr;
    for (const Setting& setting : settings())
        if (key == setting.word || lowered(key) == lowered(setting.field)) found = &setting;
    if (!found) throw Error(ErrorKind::Usage, "unknown setting '" + key + "' (known: " + adapterSettingWords() + ")");
    std::string sent;
    if (found->isText) {
        Validation::name(value, kMaxAdapterText, std::string("the ") + found->word);
        sent = value;
    } else {
        std::string word = lowered(value);
        std::optional<uint64_t> parsed = Answer::toNumber(value);
        if (word == "on" || word == "yes" || word == "true")
            sent = "1";
        else if (word == "off" || word == "no" || word == "false")
            sent = "0";
        else if (parsed && *parsed < 256)
            sent = std::to_string(*parsed);
        else
            throw Error(ErrorKind::Usage, std::string(found->word) + " takes on, off or a number 0-255, not '" + value + "'");
    }
    m_changes.push_back({found, sent});
}

Outcome AdapterSettings::execute(Session& session)
{
    if (m_changes.empty()) throw Error(ErrorKind::Usage, "no settings given");
    Request request("AdapterConfig");
    for (const Change& change : m_changes)
        request.field(change.setting->field, change.value);
    session.command(request, "adapter configuration");

    Adapter after = Enclosure::readAdapter(session);
    Outcome outcome;
    for (const Change& change : m_changes) {
        const Setting& setting = *change.setting;
        std::string now = setting.current(after);
        if (now == change.value) {
            outcome.done.push_back(std::string(setting.word) + "=" + now);
        } else {
            outcome.partial = true;
            outcome.warnings.push_back(std::string(setting.word) + " did not take effect: the controller reports " +
                                       (setting.isText ? "\"" + now + "\"" : now) + ", not " +
                                       (setting.isText ? "\"" + change.value + "\"" : change.value));
        }
    }
    return outcome;
}

void identifyAdapter(Session& session) { session.command(userRequest(kIdentify), "identify"); }

Outcome silenceBuzzer(Session& session)
{
    session.command(userRequest(kBuzzOff), "buzzer-off");
    Outcome outcome;
    std::optional<Record> buzzer = session.trySingle("Buzzer", std::to_string(session.adapter()));
    if (!buzzer) {
        outcome.done.push_back("buzzer-off sent (this adapter reports no buzzer state)");
    } else if (buzzer->number("RingStatus") != 0) {
        outcome.partial = true;
        outcome.warnings.push_back("the adapter accepted buzzer-off, but its buzzer still rings");
    } else {
        outcome.done.push_back("buzzer of adapter " + std::to_string(session.adapter()) + " silent");
    }
    return outcome;
}

}  // namespace zdfront
