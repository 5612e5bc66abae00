#pragma once
// What a zlib call's result means for a record's stream: zlib's codes, judged in one place, so that
// none of them is taken for progress (a loop without end) or passes as an unexplained failure.

namespace GameData::Detail
{
    enum class ZlibResult
    {
        Going,       // Z_OK: more to come
        Ended,       // Z_STREAM_END
        OutOfMemory, // Z_MEM_ERROR: std::bad_alloc
        NotZlib,     // Z_NEED_DICT, Z_DATA_ERROR: the bytes are no zlib stream that the game writes
        CutShort,    // Z_BUF_ERROR: no input left, and the stream has not ended
        Failed,      // any other code (Z_STREAM_ERROR, Z_ERRNO, Z_VERSION_ERROR, ...): the record is damaged
    };

    // The meaning of `result`, a code that zlib's inflateInit, inflateReset or inflate returned.
    [[nodiscard]] ZlibResult JudgeZlib(int result) noexcept;
} // namespace GameData::Detail
