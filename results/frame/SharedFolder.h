#pragma once
// Folders made inside a folder that a group shares. A set-group-ID folder (the data folder of a
// school, mode 2775) gives every new folder its group; this also gives it the folder's group rights,
// so a class a teacher makes stays writable for the pupils' side whatever the teacher's umask.

// mkdir(path, 0777) under the umask; when the folder above is set-group-ID and the new folder got
// its group, the new folder also gets the group rights of the folder above. Answers 0, or -1 with
// errno set when no folder was made (a folder made whose rights could not be widened still counts).
int MakeSharedFolder(const char* path);
