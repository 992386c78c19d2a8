#include "protocol/decoder_state.h"

int g_nFreeRunCountMode = 0;
int g_nFreeRunCountEdge = -1;
int g_nInfoReplyCount = -1;
int g_nStatusReplyCount = -1;
int g_nApplyEchoCount = -1;
int g_nApplyNextAt = -1;
int g_nResetPending = 0;
int g_nRepeatCountHigh = 0;

void ResetDecoderState() {
    g_nFreeRunCountMode = 0;
    g_nFreeRunCountEdge = -1;
    g_nInfoReplyCount = -1;
    g_nStatusReplyCount = -1;
    g_nApplyEchoCount = -1;
    g_nApplyNextAt = -1;
    g_nResetPending = 0;
    g_nRepeatCountHigh = 0;
}

void AbandonUpload() {
    g_nApplyEchoCount = -1;
    g_nApplyNextAt = -1;
}

void AbandonRepliesOnReopen() {
    AbandonUpload();
    g_nStatusReplyCount = -1;
    g_nInfoReplyCount = -1;
}
