#pragma once
// Entry point of the media platform library. Loading the library registers its classes in
// the runtime's class table; a program that wants to be sure the library is loaded (the
// linker may drop a library none of whose symbols is used) calls this once. Idempotent.
// Thread contract: any thread.
void RegisterMediaPlatformClasses();
