// The table store file's lock.
//
// DataReader takes it when it opens the file and gives it back when it
// closes it. The store is used from the dispatcher's thread only, so both
// operations do nothing; they mark where a lock would go.
#pragma once

class DBLock {
public:
    void lock() {}
    void unlock() {}
};
