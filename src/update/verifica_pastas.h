#pragma once
// The check of the two folders an update needs: the backup folder and the
// versions folder of VERSOESCAB must be set and exist.
namespace orvalto {

class FbConnection;
class Interaction;

// False after one warning about the first folder that is not right (the
// backup folder is checked first). Database errors reach the caller.
bool FVerificaPastas(FbConnection& conexao, Interaction& ui);

}  // namespace orvalto
