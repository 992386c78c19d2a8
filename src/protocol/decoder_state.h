// The reply decoder's state: counters and flags that commands arm and the
// decoder routes each received byte by. GUI thread only; nothing resets them
// when the link is closed or reopened.
#pragma once

extern int g_nFreeRunCountMode;  // 0 off, 1 armed by On Trigger Pulse, 2 by Go
extern int g_nFreeRunCountEdge;  // shutter state when armed: 0 counts on 0xAA, 1 on 0xAC
extern int g_nInfoReplyCount;    // -1 idle, else information-reply bytes received
extern int g_nStatusReplyCount;  // -1 idle, 0 armed, then the position of the last byte
extern int g_nApplyEchoCount;    // -1 idle, else bytes received since the upload began
extern int g_nApplyNextAt;       // the echo count at which the next upload step goes out
extern int g_nResetPending;      // > 0: the next carriage return requests the status
extern int g_nRepeatCountHigh;   // high byte of the repeat number, shifted left by 8

// Every decoder state back to its value at process start.
void ResetDecoderState();

// An upload that nobody finishes is dropped: when the user gives another
// command, when the link is opened again, or when the controller stays
// silent. Left armed, it would take every later byte and send the rest of a
// configuration, ending with its free run, when bytes came in again.
void AbandonUpload();
// The link is opened again: nothing asked of the old link is still coming.
// The upload, the status reply and the information reply are dropped.
void AbandonRepliesOnReopen();
