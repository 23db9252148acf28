// What the program does with the logged-in user's folder: establish it after a
// login, open it, explore it, rename it.
#pragma once

#include "CardRecords.h"
#include "UserFolder.h"

class QWidget;

namespace veyra::agent {

// Finds the remembered folder, or has the user set one up (created on a drive
// or an existing network folder); fills `state`. 1 when the user has a folder,
// 0 when they gave up.
int EstablishUserFolder(QWidget *owner, const QByteArray &userId, UserFolderState &state);

// The folder in the desktop's file manager; the shell's answer is ignored.
int OpenUserFolder(QWidget *owner, const UserFolderState &state);
int ExploreUserFolder(QWidget *owner, const UserFolderState &state);

// Asks for a new name and renames the folder under a short break of its
// protection; the new path is remembered for the user.
void RenameUserFolder(QWidget *owner, const QByteArray &userId, UserFolderState &state, const CardRecords &records);

} // namespace veyra::agent
