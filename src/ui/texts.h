// Every text the window and its dialogs show (UTF-8).
#ifndef VOK_UI_TEXTS_H_
#define VOK_UI_TEXTS_H_

namespace vok::texts {

// Main window.
inline constexpr const char* kMainCaption = "Недвоичный vok";
inline constexpr const char* kDecodeAll = "Декодирование";
inline constexpr const char* kExit = "Выход";
inline constexpr const char* kTransmit = "Передать по каналу";
inline constexpr const char* kIterate = "Выполнить итерацию декодирования";
inline constexpr const char* kRepeat = "Повторить эксперимент";
inline constexpr const char* kSettings = "Настройки";
inline constexpr const char* kShownSizeCaption = "Размер изображения (байт)";
inline constexpr const char* kCodeRateCaption = "Кодовая скорость";
inline constexpr const char* kItertCaption = "Количество итераций декодирования";
inline constexpr const char* kChannelRateCaption = "Вероятность ошибки в канале";
inline constexpr const char* kDecoderErrorsCaption = "Количество ошибок после декодирования";
inline constexpr const char* kDecoderRateCaption = "Вероятность ошибки декодера";
inline constexpr const char* kChannelErrorsCaption = "Количество ошибок в канале";
inline constexpr const char* kSourceTitle = "Исходное изображение";
inline constexpr const char* kChannelTitle = "Изображение после передачи по каналу";
inline constexpr const char* kDecodedTitle = "Изображение перед декодированием";
// With the number of the iteration last shown, counting from 1.
inline constexpr const char* kDecodedAfterTitle = "Изображение после %1-й итерации декодирования";
inline constexpr const char* kCorrectionsTitle = "Исправления декодера";
inline constexpr const char* kStopDecodingItem = "Остановить декодирование";
inline constexpr const char* kAboutItem = "&About vok...";  // string 101
inline constexpr const char* kErrorCaption = "Ошибка";

// Context menu items beside About, and what they show.
inline constexpr const char* kOpenPictureItem = "Открыть рисунок...";
inline constexpr const char* kSaveImagesItem = "Сохранить изображения...";
inline constexpr const char* kChartItem = "График декодирования";
inline constexpr const char* kOpenPictureCaption = "Открыть рисунок";
inline constexpr const char* kPictureFilter = "Рисунки (%1)";
inline constexpr const char* kAllFilesFilter = "Все файлы (*)";
inline constexpr const char* kSaveImagesCaption = "Папка для изображений";
inline constexpr const char* kReplaceCaption = "Замена файлов";
// With the list of file names, one a line.
inline constexpr const char* kReplaceQuestion = "В папке уже есть файлы:\n%1\nЗаменить их?";
// With the file's path.
inline constexpr const char* kCannotWrite = "Не удалось записать файл %1";

// Decoding chart.
inline constexpr const char* kChartCaption = "График декодирования";
inline constexpr const char* kChartTitle = "Ошибки, оставшиеся после каждой итерации декодирования";
inline constexpr const char* kChartDecoderSeries = "Ошибки после итерации (0 — на нижней линии)";
inline constexpr const char* kChartChannelSeries = "Ошибки в канале";
inline constexpr const char* kChartIterationAxis = "Итерация";
inline constexpr const char* kChartErrorsAxis = "Количество ошибок";

// Channel settings dialog.
inline constexpr const char* kSettingsCaption = "Настройки параметров канала";
inline constexpr const char* kP0Caption = "P0";
inline constexpr const char* kSeedCaption = "Инициализация ДСЧ";
inline constexpr const char* kAccept = "Принять";
inline constexpr const char* kCancel = "Отменить";

// About box.
inline constexpr const char* kAboutCaption = "About vok";
inline constexpr const char* kAboutVersion = "vok Version 1.0";
inline constexpr const char* kAboutSecondLine = "Пороговое декодирование, Q = 256";
inline constexpr const char* kOk = "OK";

}  // namespace vok::texts

#endif  // VOK_UI_TEXTS_H_
