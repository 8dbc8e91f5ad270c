#pragma once

// Makes the program's pictures (":/background.jpg", ":/splash.jpg" …) loadable. The window
// library is static, so it must register them itself; calling again does nothing.
void registerPictures();
