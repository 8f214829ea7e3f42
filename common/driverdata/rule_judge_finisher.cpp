// Finisher judges: the flag roles of each finisher family, the staple and punch positions it can make
// and the feed edge those positions need.
#include "driverdata/rule_judge_internal.h"
#include "driverdata/rule_judges.h"

int RuleFinisherPortSet(SETTING_CONTEXT*, BYTE) { return 0; }
int RuleFinisherLandSet(SETTING_CONTEXT*, BYTE) { return 0; }
int RuleFinisherInList(SETTING_CONTEXT*, BYTE) { return 0; }
int RuleFinisherInExtendedList(SETTING_CONTEXT*, BYTE) { return 0; }
int RuleFinisherPunchable(SETTING_CONTEXT*, BYTE) { return 0; }
int RuleStaplePosition(SETTING_CONTEXT*, BYTE) { return 0; }
int RulePunchPosition(SETTING_CONTEXT*, BYTE) { return 0; }
int RuleJudge787(SETTING_CONTEXT*) { return 0; }
int RuleJudge788(SETTING_CONTEXT*) { return 0; }
int RuleJudge789(SETTING_CONTEXT*) { return 0; }
int RuleJudge790(SETTING_CONTEXT*) { return 0; }
int RuleJudge791(SETTING_CONTEXT*) { return 0; }
DWORD RuleGetFeedEdge(SETTING_CONTEXT*) { return 0; }
int RuleNeedsShortEdgeFeed(SETTING_CONTEXT* ctx) { return (RuleGetFeedEdge(ctx) & 0xFFFF) == 1; }
int RuleNeedsLongEdgeFeed(SETTING_CONTEXT* ctx) { return (RuleGetFeedEdge(ctx) & 0xFFFF) == 2; }
