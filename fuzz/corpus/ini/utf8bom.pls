[日本]
NumberOfEntries=2
File1=a.mp3
File2=曲.mp3
