// AdapterSettings: changing an adapter's configuration ("AdapterConfig")
// and checking that each setting took effect.
//
// Only the settings given are sent; the bridge reads the adapter's current
// configuration right before it writes, so a setting that another process
// changed meanwhile is not written back. Each setting is then read back: a
// value the controller kept unchanged is reported, never called "updated".
//
//   AdapterSettings settings(session);
//   settings.set("rebuild-speed", "90");       // Error Usage for unknown keys, bad values
//   Outcome outcome = settings.execute(session);
//
//   Outcome silenced = silenceBuzzer(session);   // the OEM "buzz off" request, read back
#pragma once

#include <string>
#include <vector>

#include "front/Bridge.h"
#include "front/Model.h"
#include "front/Plan.h"

namespace zdfront {

struct AdapterSetting;

// The settings' words, for help texts: "alias, serial, sync-speed, ...".
std::string adapterSettingWords();

class AdapterSettings {
public:
    // key: a setting's word ("rebuild-speed") or its request field
    // ("RebuildSpeed"); value: text, a number, or on/off.
    void set(const std::string& key, const std::string& value);
    bool empty() const { return m_changes.empty(); }
    Outcome execute(Session& session);

private:
    struct Change {
        const AdapterSetting* setting;
        std::string value;
    };
    std::vector<Change> m_changes;
};

// Silences the selected adapter's buzzer and reads it back: Error Refused
// when the controller still reports it ringing.
Outcome silenceBuzzer(Session& session);

// The OEM request "User Request" with one of its values ("OEMValue"):
// 1 silences the buzzer, 2 makes the adapter identify itself.
Request userRequest(uint64_t value);

}  // namespace zdfront
