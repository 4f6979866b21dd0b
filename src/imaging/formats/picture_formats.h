#pragma once
// Start-up registration of every picture file format the editor reads by extension.

// Registers each format class's extensions with the picture registry and the framework's
// holder, in the order that decides which class wins an extension. Safe to call again.
void RegisterPictureFormats();
