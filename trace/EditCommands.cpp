// The Edit commands.

#include "trace/tesqDoc.h"

// Cut and Paste alike: nothing is cut or pasted (no clipboard is kept); the document becomes
// modified and the views centre the selection.
void CtesqDoc::OnEditCutPaste() {
    SetModifiedFlag(true);
    NoteDataChanged();
    BuildDisplayCopies();
    UpdateAllViews(nullptr, HINT_SHOW_SELECTION);
}
