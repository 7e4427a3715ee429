// The version both programs give in their logs and about boxes.
#pragma once

// Keep in step with the about box (res/tarvel.rc).
constexpr char TARVEL_VERSION[] = "2.10";
