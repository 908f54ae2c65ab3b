#pragma once

#include "convert/BatchConversion.h"

class Form1;

// The main window as the Convert batch sees it: its file list, its progress
// bar, its pointer and its event loop.
class Form1BatchWindow : public quillaro::BatchWindow {
public:
    explicit Form1BatchWindow(Form1& form)
        : m_form(form) {}

    std::size_t entryCount() const override;
    std::string entryText(std::size_t position) const override;
    void setProgress(float percent) override;
    void setBusy(bool busy) override;
    void pumpEvents() override;

private:
    Form1& m_form;
};
