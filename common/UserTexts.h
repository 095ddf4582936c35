// Every text the window shows to the user, in one place. They are Russian and
// are copied from the design exactly; never retype them.
#pragma once

namespace lumarind::texts {

// Shown under a preview that was cut; the spelling is the one users know.
inline constexpr wchar_t kTruncationNotice[] =
    L"*** Часть данных пропущена, используйте " L"кнопки копирвания справа ***";
inline constexpr wchar_t kOpenButtonCaption[] = L"Открыть файл...";
inline constexpr wchar_t kCopyButtonCaption[] = L"Копировать";
inline constexpr wchar_t kOneLineButtonCaption[] = L"Одной строкой";
inline constexpr wchar_t kSaveButtonCaption[] = L"Сохранить файл...";
inline constexpr wchar_t kOpenFilter[] = L"Все файлы|*.*";
inline constexpr wchar_t kSaveFilter[] = L"Многострочный Data URL|*.*|Data URL одной строкой|*.*";
inline constexpr wchar_t kCannotReadFile[] = L"Не удаётся прочитать файл.";
inline constexpr wchar_t kCannotBuildDataUrl[] = L"Не удаётся сформировать Data URL.";
inline constexpr wchar_t kCannotWriteFile[] = L"Не удаётся записать файл.";
inline constexpr wchar_t kFileTooLarge[] = L"Файл слишком велик: для него не хватает памяти.";
// Shown beside the progress of long work, and the button that stops it.
inline constexpr wchar_t kLoadingProgress[] = L"Чтение файла...";
inline constexpr wchar_t kSavingProgress[] = L"Сохранение файла...";
inline constexpr wchar_t kCancelButtonCaption[] = L"Отмена";
inline constexpr wchar_t kNothingToCopy[] = L"Копировать нечего.";
inline constexpr wchar_t kNothingToSave[] = L"Сохранять нечего.";
inline constexpr wchar_t kCopyFailed[] = L"Не удалось скопировать текст.";
inline constexpr wchar_t kCopyLostOnClose[] =
    L"Скопированный текст не удалось оставить в буфере обмена: после закрытия программы его там не будет.";
inline constexpr wchar_t kCannotOpenHelp[] = L"Не удаётся открыть файл справки.";
inline constexpr wchar_t kAboutVersionPrefix[] = L"Версия ";

}  // namespace lumarind::texts
