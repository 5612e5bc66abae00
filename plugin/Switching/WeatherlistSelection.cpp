#include "Switching/WeatherlistSelection.h"

#include <filesystem>
#include <string>
#include <utility>
#include "Files/CodePage.h"
#include "Switching/EnbseriesDirectory.h"
#include "Orvel/Ini.h"
#include "Orvel/Log.h"
#include "Files/RegularFile.h"
#include "Choice/WeatherlistChoice.h"
#include "Choice/WeatherlistMessages.h"
#include "Switching/WeatherlistPath.h"

namespace Nimbrava
{
    std::atomic<std::uint32_t> StoredWorldspaceId{0};

    namespace
    {
        // Makes `wide` the current weatherlist path with its narrow form. When the narrow form cannot
        // be made, `wide` is in force with the narrow form that was in force before, and the
        // conversion's error leaves. One publication either way: readers never see a pair that this
        // run did not mean to leave behind.
        void PublishWeatherlistPath(std::wstring wide, unsigned codePage)
        {
            std::string narrow;
            try
            {
                narrow = WideToNarrow(wide, codePage);
            }
            catch (...)
            {
                CurrentWeatherlistPath::Publish(std::move(wide), CurrentWeatherlistPath::Load().Narrow);
                throw;
            }
            CurrentWeatherlistPath::Publish(std::move(wide), std::move(narrow));
        }
    } // namespace

    void UpdateCurrentWeatherlist()
    {
        auto& logger = Orvel::Logger::Instance();
        const auto& directory = EnbseriesDirectory();
        // One code page for the whole run, so that the shown name is read and the chosen path is
        // written back in the same one even if another thread switches the file functions meanwhile.
        const unsigned codePage = FileApiCodePage();

        // Every run starts from ENB's own file, so nothing of an earlier choice survives a run that
        // fails or finds nothing.
        PublishWeatherlistPath((directory / L"_weatherlist.ini").native(), codePage);

        const std::uint32_t id = StoredWorldspaceId.load(std::memory_order_acquire);
        if (id == 0)
        {
            logger.Log(Orvel::LogLevel::Message, "{}", Messages::UndefinedWorldspace);
            return;
        }
        const std::uint32_t maskedId = MaskWorldspaceId(id);
        logger.Log(Orvel::LogLevel::Message, Messages::WorldspaceChanged, maskedId);

        try
        {
            const Orvel::IniInterface document(directory / L"_nimbrava.ini");
            const auto choice = ChooseWeatherlist(document, maskedId);
            if (!choice.Chosen())
                return;

            auto candidate = directory / NarrowToWide(choice.ShownName, codePage);
            if (!IsRegularFile(candidate))
            {
                logger.Log(Orvel::LogLevel::Warning, Messages::NotFound, choice.ShownName, maskedId);
                return;
            }
            logger.Log(Orvel::LogLevel::Message, Messages::Switching, choice.ShownName);
            PublishWeatherlistPath(std::move(candidate).native(), codePage);
        }
        catch (...)
        {
            // Whatever went wrong, the default set above stays (or, when only the chosen file's narrow
            // form could not be made, the chosen file for CreateFileW and the default for
            // GetPrivateProfileSectionA), and the game goes on.
            logger.Log(Orvel::LogLevel::Error, "{}", Messages::LoadFailed);
        }
    }
} // namespace Nimbrava
