#pragma once
// System libraries the program links to but loads only on first use (see
// cmake/delay-imports.cmake) come from System32, like SystemLibrary's: never
// from the program's folder, where a player may have unpacked anything.
// Called once, first thing, before any of their functions.
void LoadDelayedImportsFromSystem32();
