// The bridge's diagnostic trace.
//
// One shared, reference-counted instance (getLog / clear) appends lines to
// "bridge.log" in the log directory and dumps raw records into numbered
// "<n>_bin.bridge" files there. Each of the four kinds of line is switched on
// by "bridge.ini" in the same directory ("api_data=1", ...; only its first
// 4 KiB are read); with nothing enabled the log creates no file and every
// call costs a flag test.
//
// A caller writes one line as startLine, any number of writeFormatInfo and
// writeBin, then endLine. The log directory is "/tmp/" unless the
// ZDBRIDGE_LOG_DIR environment variable names another when the log is built.
// A line belongs to the thread that started it: another thread's startLine
// waits until that line ends, so the upload worker and the calling thread
// never write into each other's lines (a line left open for seconds makes the
// waiting thread drop its own line rather than hang). Files are opened with
// O_NOFOLLOW, and a dump is written as a new file renamed over its name, so
// no link planted at a name is ever written through.
#pragma once

#include <atomic>
#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

class Log {
public:
    enum log_type { api_data = 0, interface_log = 1, util = 2, version = 3 };

    // The shared instance; the first call creates it. Every call takes one
    // reference, to be given back with clear().
    static Log* getLog();
    // Gives one reference back; the last one destroys the instance.
    static void clear();

    // With nothing enabled, starting and ending a line cost one test here.
    void startLine(log_type kind, const char* title) {
        if (m_anyEnabled) startOpenLine(kind, title);
    }
    void writeFormatInfo(const char* format, ...) __attribute__((format(printf, 2, 3)));
    void writeBin(const void* data, size_t length);
    void endLine() {
        if (m_anyEnabled) endOpenLine();
    }

    // Whether lines of this kind are written (lets callers skip costly work).
    bool enabled(log_type kind) const;
    // Whether any kind is written: a caller may skip building pieces when not.
    bool anyEnabled() const { return m_anyEnabled; }

    // The current local time as asctime renders it (ends with a line break).
    static const char* NowToStr();

    // The directory of bridge.ini, bridge.log and the dumps, with a trailing "/".
    static std::string directory();

private:
    Log();
    ~Log();
    Log(const Log&) = delete;
    Log& operator=(const Log&) = delete;

    void readConfig(const std::string& path);
    void markType(const std::string& key);
    void startOpenLine(log_type kind, const char* title);
    void endOpenLine();

    struct State;
    std::unique_ptr<State> m_state;
    bool m_anyEnabled = false;  // set once, when the configuration is read

    static std::atomic<Log*> m_this;
    static std::atomic<uint32_t> m_ref;
};
