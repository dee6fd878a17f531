#pragma once
// A dock whose worker reads the document's samples: before they change, the work stops (on
// whichever thread changes them) and `again` runs on the dock's own thread, to start anew on
// what comes.

#include <functional>

class CtesqDoc;
class QObject;

// The reader's id, for CtesqDoc::RemoveSampleReader.
int AddDockReader(CtesqDoc& doc, QObject* dock, std::function<void()> stop,
                  std::function<void()> again);
