#pragma once

// Started as root with a user's environment, the game acts in the user's folder with the user's
// rights only (see ActAsFolderOwner in store/safefile.h). For the life of one of these, the
// calling thread's file-system identity is the folder owner's; nested ones share it, and each
// thread has its own. Without such an owner it does nothing. Plain C++, so that the record's
// code, which knows no Qt, takes the same rights as the other files.
class TOwnerRights
{
public:
  TOwnerRights();
  ~TOwnerRights();
  TOwnerRights(const TOwnerRights&) = delete;
  TOwnerRights& operator=(const TOwnerRights&) = delete;
};
