#pragma once

// One update check on the update thread: true when a verified new program was
// downloaded and the user was asked, false otherwise.
bool CheckForUpdate();
