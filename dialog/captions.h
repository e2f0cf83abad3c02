// The captions of the program's message boxes.
#ifndef QUENLO32_CAPTIONS_H_
#define QUENLO32_CAPTIONS_H_

inline constexpr wchar_t kErrorCaption[] = L"ｴﾗｰﾒｯｾｰｼﾞ";
inline constexpr wchar_t kDoneCaption[] = L"完了ﾒｯｾｰｼﾞ";
inline constexpr wchar_t kCancelledCaption[] = L"中止ﾒｯｾｰｼﾞ";
inline constexpr wchar_t kQuestionCaption[] = L"確認ﾒｯｾｰｼﾞ";

#endif  // QUENLO32_CAPTIONS_H_
