// The dispatcher: the one object behind the eight exported functions.
//
// Exactly one instance exists, the global `management`, built when the
// library loads and destroyed when it unloads. It owns every information
// provider, command and condition (registered under their names by
// registerInfos / registerCommands / registerConditions), the selected
// adapter, the enumeration tables, the NXP version cache, the event
// bookkeeping and the result buffer through which getSingle, getArray,
// condition and getEvent answer (one per calling thread). While a firmware
// upload runs it refuses other work (the upload guard).
#pragma once

#include <cstdint>
#include <map>
#include <string>

#include "api/NxpVersionCache.h"
#include "bridge/ResultBuffers.h"
#include "event/EventRetrieval.h"
#include "middle/Ranges.h"
#include "middle/SingleTypeParser.h"

class Log;
class Info;
class CommandInterface;
class ConditionInterface;
class FWOperation;

class Management {
public:
    Management();
    ~Management();
    Management(const Management&) = delete;
    Management& operator=(const Management&) = delete;

    const char* getVersion() const;
    void select(const char* adapterIdText);
    bool getSingle(const char* className, const char* key, char** out);
    void getArray(const char* className, char** out);
    const char* range(const char* rangeName);
    unsigned char command(const char* requestText);
    void condition(const char* requestText, char** out);
    void getEvent(char** out);

    uint8_t adapterId() const { return m_adapterId; }

private:
    void registerInfos();
    void registerCommands();
    void registerConditions();
    void addInfo(Info* info);
    void addCommand(CommandInterface* command);
    void addCondition(ConditionInterface* condition);

    NxpVersionCache m_nxpCache;
    uint8_t m_adapterId;
    U8Parser m_adapterParser;
    Log* m_log;
    EventBookkeeping m_events;
    FWOperation* m_fwOperation;
    std::map<std::string, Info*> m_infos;
    std::map<std::string, CommandInterface*> m_commands;
    std::map<std::string, ConditionInterface*> m_conditions;
    Ranges m_ranges;
    ResultBuffers m_results;
};
