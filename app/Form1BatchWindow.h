#pragma once

#include "convert/BatchConversion.h"

#include <QMetaObject>

class Form1;

// The main window as the Convert batch sees it: its file list, its progress
// bar, its pointer and its event loop. While it exists, removals from the
// list are told to the batch, so that it keeps its place.
class Form1BatchWindow : public quillaro::BatchWindow {
public:
    Form1BatchWindow(Form1& form, quillaro::BatchConversion& batch);
    ~Form1BatchWindow() override;
    Form1BatchWindow(const Form1BatchWindow&) = delete;
    Form1BatchWindow& operator=(const Form1BatchWindow&) = delete;

    std::size_t entryCount() const override;
    std::string entryText(std::size_t position) const override;
    quillaro::EntryId entryId(std::size_t position) const override;
    void setProgress(float percent) override;
    void setBusy(bool busy) override;
    void pumpEvents() override;

private:
    Form1& m_form;
    QMetaObject::Connection m_removals;
    bool m_busy = false;
};
