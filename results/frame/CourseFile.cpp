#include "CourseFile.h"

#include "INIfunc.h"
#include "IniReader.h"

namespace {

QString readModules(const IniReader& course, const QString& key)
{
    return course.value(ModulesSection, key, QString());
}

} // namespace

QString ReadCourseTitle(const QString& courseFile)
{
    return ReadINI(courseFile, CourseSection, TitleKey, QString());
}

QStringList ReadModuleNames(const QString& courseFile)
{
    return ReadModuleNames(IniReader(courseFile));
}

QStringList ReadModuleNames(const IniReader& course)
{
    QStringList names;
    for (int i : ReadModuleNumbers(course))
        names << readModules(course, ModuleKey(i));
    return names;
}

QVector<int> ReadModuleNumbers(const IniReader& course)
{
    QVector<int> numbers;
    for (int i = 1; i <= MaxModules; ++i)
        if (!readModules(course, ModuleKey(i)).isEmpty())
            numbers << i;
    return numbers;
}

Course ReadCourse(const QString& courseFile)
{
    return ReadCourse(IniReader(courseFile));
}

Course ReadCourse(const IniReader& reading)
{
    Course course;
    course.title = reading.value(CourseSection, TitleKey, QString());
    for (int i = 1; i <= MaxModules; ++i) {
        CourseModule module;
        module.number = i;
        module.name = readModules(reading, ModuleKey(i));
        if (module.name.isEmpty())
            continue;
        for (int j = 1; j <= TestTopic; ++j) {
            CourseTopic topic;
            topic.number = j;
            topic.name = readModules(reading, TopicKey(i, j));
            if (topic.name.isEmpty()) {
                if (j != TestTopic)
                    continue;
                topic.name = module.name + QStringLiteral(" Test");
            }
            topic.movie = readModules(reading, MovieKey(i, j));
            module.topics << topic;
        }
        course.modules << module;
    }
    return course;
}
