// The encrypted-filesystem engine behind the hook: gocryptfs over FUSE 3. Its
// cipher folder holds only ciphertext, file names included; its view, mounted on
// the user folder, is the plaintext face of it. The secret reaches the engine on
// its standard input, a pipe: never an argument, the environment or a file.
#pragma once

#include "Secret.h"

#include <string>
#include <vector>
#include <sys/types.h>

namespace veyra::vxd::protection {

// What this machine lacks for the engine, in plain words with the way to get
// it; empty when nothing is missing.
std::string MissingPieces();

// Makes a new cipher folder at `cipherFolder`, which must not exist yet. The
// engine writes into a folder beside it that is renamed into place once
// complete, so that a crash leaves no half-made store.
bool InitialiseStore(const std::string &cipherFolder, const Secret &secret, std::string &problem);

// A running engine with its view mounted. Its diagnostics come through
// `messages`, which its owner keeps draining (the engine would block on a full pipe).
struct RunningEngine {
    pid_t pid = -1;
    int messages = -1;
};

// Starts the engine and returns once the view is mounted on `mountPoint` (a
// canonical path). The engine dies with the calling process.
bool MountView(const std::string &cipherFolder, const std::string &mountPoint, const Secret &secret,
               RunningEngine &engine, std::string &problem);

// Ends the view and the engine: what was written is flushed, the view is
// detached even while files in it are open, and the engine is killed, so that
// its key and every descriptor opened through the view are gone.
void EndView(const std::string &mountPoint, RunningEngine &engine);

// Detaches a view that outlived its engine (after a crash): the folder is
// bare again. True when nothing is mounted there any more.
bool DetachStaleView(const std::string &mountPoint);

// Whether an engine's view is mounted on `path` (a canonical path).
bool IsViewMounted(const std::string &path);

struct MountedView {
    std::string folder;
    std::string cipherFolder;
};

// Every engine's view mounted now, whoever mounted it.
std::vector<MountedView> MountedViews();

} // namespace veyra::vxd::protection
