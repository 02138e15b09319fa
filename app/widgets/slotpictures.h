#pragma once

#include <QIcon>

/// The 16 x 16 pictures of the quick-slot buttons, drawn in code for every display scaling.
QIcon saveSlotPicture(); ///< a floppy disk
QIcon loadSlotPicture(); ///< a document with a green arrow
