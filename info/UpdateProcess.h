// "UpdateProcess": the progress and last result of a firmware upload.
//
// Answers <UpdateProcess><LastRet>r</LastRet><Percentage>p</Percentage>
// </UpdateProcess> from the upload state. It is the one provider the
// dispatcher still serves while an upload runs (noCheck), and reading a
// finished upload's 100 acknowledges it: the next poll answers 0 and the
// dispatcher accepts other work again.
#pragma once

#include "info/Info.h"

class UpdateProcess : public Info {
public:
    UpdateProcess();

    bool getSingle(uint32_t adapterId, const std::string& key, std::string& result) override;
    // Answers nothing: there is no list of uploads.
    void getArray(uint32_t adapterId, std::string& result) override;
    bool noCheck() override { return true; }
};
