#pragma once

// How the window's own widgets read to a screen reader where Qt's reading falls short.

/// Installs, once, the readings of the colour pickers (their purpose and their colour: Qt on
/// Linux names a combo box by its current item alone; their list of colours kept as Qt
/// gives it) and of the link label (a link that
/// opens a web page, which Qt would read as a plain label).
void installAccessibleParts();
