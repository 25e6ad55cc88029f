#include "SampleNowPlaying.h"

namespace tool {

const std::string_view kSampleNowPlaying = R"sample({
    MPMediaItemPropertyPersistentID = 1873219005;
    MPNowPlayingInfoCollectionIdentifier = "playlist:7788123401";
    MPNowPlayingInfoPropertyAssetURL = "https://music.example.net/song?id=1873219005";
    MPNowPlayingInfoPropertyDefaultPlaybackRate = 1;
    MPNowPlayingInfoPropertyElapsedPlaybackTime = 37.25;
    MPNowPlayingInfoPropertyExternalContentIdentifier = "netease:song:1873219005";
    MPNowPlayingInfoPropertyIsLiveStream = 0;
    MPNowPlayingInfoPropertyMediaType = 1;
    MPNowPlayingInfoPropertyPlaybackProgress = 0.1384758;
    MPNowPlayingInfoPropertyPlaybackQueueCount = 42;
    MPNowPlayingInfoPropertyPlaybackQueueIndex = 7;
    MPNowPlayingInfoPropertyPlaybackRate = 1;
    MPNowPlayingInfoPropertyServiceIdentifier = "com.netease.cloudmusic";
    albumArtist = "\U6797\U95f4\U5c0f\U961f";
    albumPersistentID = 190044871;
    albumTitle = "\U665a\U98ce\U5439\U8fc7\U57ce\U5e02\U7684\U5c3d\U5934 \U6211\U4eec\U5728\U706f\U706b\U91cc\U6162\U6162\U8d70";
    albumTrackCount = 10;
    albumTrackNumber = 3;
    artist = "\U6797\U95f4\U5c0f\U961f";
    artistPersistentID = 12087351;
    artwork = <MPMediaItemArtwork: 0x2837c4d80>;
    comments = "\U7f51\U6613\U4e91\U97f3\U4e50 \U6bcf\U65e5\U63a8\U8350";
    composer = "\U6797\U95f4\U5c0f\U961f / \U5468\U672b\U4e50\U56e2";
    discNumber = 1;
    genre = "\U6d41\U884c Pop";
    lyricist = "\U6797\U95f4\U5c0f\U961f";
    playbackDuration = 269;
    releaseDate = "2023-06-18";
    title = "\U665a\U98ce\U4e0e\U6d77 (Live \U7248)";
})sample";

}  // namespace tool
