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
//   Outcome silenced = silenceBuzzer(session);
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

// User requests to the adapter's enclosure ("OEMCommand"). Identify makes it
// show itself (its state cannot be read back); silencing the buzzer is read
// back, and a buzzer that rings on makes the outcome partial.
void identifyAdapter(Session& session);
Outcome silenceBuzzer(Session& session);

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

}  // namespace zdfront
