#pragma once

#include "res/DialogTemplate.h"
#include "res/ResourceIds.h"

namespace velmora::res {

// The dialog template with the given id, or nullptr when there is none.
const DialogTemplate* FindDialogTemplate(int id);

const DialogTemplate& AboutBoxTemplate();
const DialogTemplate& MainWindowTemplate();
const DialogTemplate& BandPageTemplate();
const DialogTemplate& ToneLevelTemplate();
const DialogTemplate& LevelTableTemplate();

}  // namespace velmora::res
