#pragma once

#include <QString>

class Prompter;
class VolumeSource;
class MainWindow;

// Shows the splash, loads the main window and shows it. Answers the main window, or
// nullptr when the catalogue could not be opened (the reason has been shown), or when there
// is no folder for it (an empty `programFolder`: no home). With `offerNewCatalogue`, a missing
// catalogue is offered to be made in `programFolder`.
MainWindow* startTrelmo(const QString& programFolder, Prompter* prompter, VolumeSource* volumes,
                        bool offerNewCatalogue = false);
