#pragma once

#include <functional>
#include <string>

#include <QString>

class FileListModel;
class QWidget;

// The folder picker as the window sees it: shows `chooseFolder` modal to
// `owner` and returns the chosen folder with the platform's separators, or an
// empty string when the user cancels.
QString BrowseForFolder(QWidget* owner, const QString& title,
                        const std::function<QString(QWidget*, const QString&)>& chooseFolder);

// Appends to `list` every .wmv file in `folder` (a path in the form the list
// keeps paths) and all folders below it, in level order, skipping names that
// start with "~". The window's events are handled now and then meanwhile, so
// it repaints and stays usable.
void addWmvFilesInFolderToList(const std::string& folder, FileListModel& list);
