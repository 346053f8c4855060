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

// OEM request "User Request" (type 8) as the "OEMType" table names it, and
// its value that silences the buzzer.
constexpr uint64_t kUserRequest = 8;
constexpr uint64_t kBuzzOff = 1;

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

Request userRequest(uint64_t value)
{
    return Request("OEMCommand").field("OEMType", kUserRequest).field("OEMValue", value).field("OEMID", 0).field("Force", 0);
}

Outcome silenceBuzzer(Session& session)
{
    const std::string adapter = "adapter " + std::to_string(session.adapter());
    session.command(userRequest(kBuzzOff), "buzzer-off");
    Adapter after = Enclosure::readAdapter(session);
    if (after.buzzerRinging.value_or(false))
        throw Error(ErrorKind::Refused, "the controller answered success but the buzzer of " + adapter + " still rings");
    Outcome outcome;
    outcome.done.push_back(after.buzzerRinging ? "the buzzer of " + adapter + " is silent"
                                               : adapter + " has no buzzer; the request was sent");
    return outcome;
}

}  // namespace zdfront
