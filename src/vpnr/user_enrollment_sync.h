#pragma once

namespace qev::vpnr {

// Publishes the console user's enrollment file to every capture endpoint that supports voice-print
// noise reduction: the file's path and the enrolled status go to the endpoint's property store,
// and "voiceprinting_enroll_status" to the product key. Called when a user logs on, unlocks or
// connects to the console.
void sync_user_enrollment();

}  // namespace qev::vpnr
